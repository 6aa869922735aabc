#pragma once

#include "platform/TcpSocket.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace strovik {

// Reads the messages of a live session (the framing of wire/MessageFraming) from the socket it
// owns: the device's answer, then one frame per message. Reads in large chunks, so that a picture
// and its sound usually arrive with one wake-up, and hands messages out in place, without copying.
//
// Unlike ReceiveMessage it bounds each message by the caller's limit before reading it, and a
// message must arrive whole before an absolute deadline: a device that trickles bytes can neither
// hold up the GUI thread during the start nor keep a stream alive without sending frames.
class LiveSessionReader final {
public:
    enum class Result {
        Message,
        Closed,    // the device closed the connection, or it was shut down
        TimedOut,  // no whole message before the deadline
        TooLong,   // the message announces more than the caller's limit
    };

    // Room for two of the longest messages (maxMessageBytes).
    LiveSessionReader(TcpSocket socket, std::size_t maxMessageBytes);

    // May be shut down from another thread to wake a reader.
    TcpSocket& socket() { return socket_; }

    Result next(std::size_t limitBytes, std::chrono::steady_clock::time_point deadline);
    // The last message read; valid until the next call.
    const std::uint8_t* data() const { return message_; }
    std::size_t size() const { return messageSize_; }

private:
    // Makes sure `count` bytes from start_ are buffered.
    Result fill(std::size_t count, std::chrono::steady_clock::time_point deadline);

    TcpSocket socket_;
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;  // first unread byte
    std::size_t end_ = 0;    // one past the last buffered byte
    const std::uint8_t* message_ = nullptr;
    std::size_t messageSize_ = 0;
};

}  // namespace strovik
