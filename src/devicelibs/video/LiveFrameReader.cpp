#include "devicelibs/video/LiveFrameReader.h"

#include "devicelibs/wire/MessageFraming.h"

#include <cstring>

namespace strovik {

namespace {

constexpr std::size_t kLengthBytes = 4;
constexpr std::size_t kMaxFrameMessageBytes = kFrameHeaderBytes + kMaxFrameBodyBytes;
// Room for the longest message twice over, so that compaction is rare.
constexpr std::size_t kBufferBytes = 2 * (kLengthBytes + kMaxFrameMessageBytes);

}  // namespace

LiveFrameReader::LiveFrameReader(TcpSocket& socket) : socket_(socket), buffer_(kBufferBytes) {}

LiveFrameReader::Result LiveFrameReader::next(std::chrono::steady_clock::time_point deadline) {
    Result result = fill(kLengthBytes, deadline);
    if (result != Result::Frame) return result;
    const std::uint32_t length = GetLittleEndian32(buffer_.data() + start_);
    if (length < kFrameHeaderBytes || length > kMaxFrameMessageBytes) return Result::Malformed;
    result = fill(kLengthBytes + length, deadline);
    if (result != Result::Frame) return result;
    const std::uint8_t* message = buffer_.data() + start_ + kLengthBytes;
    header_ = ReadFrameHeader(message);
    if (header_.bodyLength != length - kFrameHeaderBytes) return Result::Malformed;
    body_ = message + kFrameHeaderBytes;
    start_ += kLengthBytes + length;
    return Result::Frame;
}

LiveFrameReader::Result LiveFrameReader::fill(std::size_t count,
                                              std::chrono::steady_clock::time_point deadline) {
    if (start_ == end_) start_ = end_ = 0;
    if (buffer_.size() - start_ < count) {  // move what is left to the front
        std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
        end_ -= start_;
        start_ = 0;
    }
    while (end_ - start_ < count) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return Result::TimedOut;
        std::size_t received = 0;
        switch (socket_.receiveSome(buffer_.data() + end_, buffer_.size() - end_, &received, left)) {
            case TcpSocket::Status::Ok:
                end_ += received;
                break;
            case TcpSocket::Status::TimedOut:
                return Result::TimedOut;
            case TcpSocket::Status::Closed:
            case TcpSocket::Status::Failed:
                return Result::Closed;
        }
    }
    return Result::Frame;
}

}  // namespace strovik
