#include "devicelibs/video/LiveSessionReader.h"

#include "devicelibs/wire/MessageFraming.h"

#include <algorithm>
#include <cstring>

namespace strovik {

namespace {

constexpr std::size_t kLengthBytes = 4;

}  // namespace

LiveSessionReader::LiveSessionReader(TcpSocket socket, std::size_t maxMessageBytes)
    : socket_(std::move(socket)), buffer_(2 * (kLengthBytes + maxMessageBytes)) {}

LiveSessionReader::Result LiveSessionReader::next(std::size_t limitBytes,
                                                  std::chrono::steady_clock::time_point deadline) {
    limitBytes = std::min(limitBytes, buffer_.size() / 2 - kLengthBytes);
    Result result = fill(kLengthBytes, deadline);
    if (result != Result::Message) return result;
    const std::uint32_t length = GetLittleEndian32(buffer_.data() + start_);
    if (length > limitBytes) return Result::TooLong;
    result = fill(kLengthBytes + length, deadline);
    if (result != Result::Message) return result;
    message_ = buffer_.data() + start_ + kLengthBytes;
    messageSize_ = length;
    start_ += kLengthBytes + length;
    return Result::Message;
}

LiveSessionReader::Result LiveSessionReader::fill(std::size_t count,
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
    return Result::Message;
}

}  // namespace strovik
