#pragma once

#include "devicelibs/video/FrameFormat.h"
#include "platform/TcpSocket.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace strovik {

// Reads the frames of a live session: messages in our framing (wire/MessageFraming), each holding
// one frame (header and body). Reads in large chunks, so that a picture and its sound usually
// arrive with one wake-up, and hands frames out in place, without copying them.
//
// Unlike ReceiveMessage it bounds a message by the frame format's limit before reading it, and a
// frame must arrive whole before an absolute deadline: a device that trickles bytes cannot keep a
// stream alive without sending frames.
class LiveFrameReader final {
public:
    enum class Result {
        Frame,
        Closed,     // the device closed the connection, or it was shut down
        TimedOut,   // no whole frame before the deadline
        Malformed,  // not a frame message: too short or long, or the header disagrees with it
    };

    explicit LiveFrameReader(TcpSocket& socket);

    Result next(std::chrono::steady_clock::time_point deadline);
    // The last frame read; valid until the next call.
    const FrameHeader& header() const { return header_; }
    const std::uint8_t* body() const { return body_; }

private:
    // Makes sure `count` bytes from start_ are buffered.
    Result fill(std::size_t count, std::chrono::steady_clock::time_point deadline);

    TcpSocket& socket_;
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;  // first unread byte
    std::size_t end_ = 0;    // one past the last buffered byte
    FrameHeader header_;
    const std::uint8_t* body_ = nullptr;
};

}  // namespace strovik
