#include "devicelibs/video/FrameFileReader.h"

#include <QString>

namespace strovik {

FrameFileReader::FrameFileReader(const std::string& path) : file_(QString::fromStdString(path)) {
    opened_ = file_.open(QIODevice::ReadOnly);
}

FrameFileReader::Status FrameFileReader::next() {
    if (!opened_) return Status::Failed;
    std::uint8_t header[kFrameHeaderBytes];
    const qint64 headerRead = file_.read(reinterpret_cast<char*>(header), kFrameHeaderBytes);
    if (headerRead < 0) return Status::Failed;
    if (headerRead == 0) return Status::End;
    if (headerRead < static_cast<qint64>(kFrameHeaderBytes)) return Status::Truncated;
    header_ = ReadFrameHeader(header);
    if (CheckFrameHeader(header_) == FrameHeaderCheck::BodyTooLong) return Status::BodyTooLong;
    body_.resize(header_.bodyLength);
    const qint64 bodyRead = file_.read(reinterpret_cast<char*>(body_.data()), header_.bodyLength);
    if (bodyRead < 0) return Status::Failed;
    if (bodyRead < static_cast<qint64>(header_.bodyLength)) return Status::Truncated;
    return Status::Frame;
}

}  // namespace strovik
