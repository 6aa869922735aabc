#include "devicelibs/video/FrameFormat.h"

#include "devicelibs/wire/MessageFraming.h"

#include <cstring>

namespace strovik {

FrameHeader ReadFrameHeader(const std::uint8_t* header) {
    FrameHeader frame;
    frame.bodyLength = GetLittleEndian32(header);
    frame.timeStampMs = GetLittleEndian32(header + 8);
    frame.type = static_cast<std::uint8_t>(header[13] >> 4);
    return frame;
}

void WriteFrameHeader(std::uint8_t* header, const FrameHeader& frame) {
    std::memset(header, 0, kFrameHeaderBytes);
    PutLittleEndian32(header, frame.bodyLength);
    PutLittleEndian32(header + 8, frame.timeStampMs);
    header[13] = static_cast<std::uint8_t>(frame.type << 4);
}

FrameHeaderCheck CheckFrameHeader(const FrameHeader& frame) {
    if (frame.bodyLength > kMaxFrameBodyBytes) return FrameHeaderCheck::BodyTooLong;
    if (!frame.isPicture() && !frame.isAudio()) return FrameHeaderCheck::UnknownType;
    return FrameHeaderCheck::Ok;
}

}  // namespace strovik
