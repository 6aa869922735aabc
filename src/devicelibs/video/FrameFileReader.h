#pragma once

#include "devicelibs/video/FrameFormat.h"

#include <QFile>

#include <cstdint>
#include <string>
#include <vector>

namespace strovik {

// Reads a frame-format file from the start, one frame at a time. Memory stays bounded by
// kMaxFrameBodyBytes whatever the file holds.
class FrameFileReader final {
public:
    enum class Status {
        Frame,        // header and body are valid
        End,          // the file ended on a frame boundary
        Truncated,    // the file ends inside a frame (a download or playback copy cut short)
        BodyTooLong,  // a header announces more than kMaxFrameBodyBytes
        Failed,       // the file cannot be opened or read
    };

    explicit FrameFileReader(const std::string& path);

    // Reads the next frame; frames of unknown type are returned too (callers skip them).
    Status next();
    const FrameHeader& header() const { return header_; }
    const std::vector<std::uint8_t>& body() const { return body_; }

private:
    QFile file_;
    bool opened_ = false;
    FrameHeader header_;
    std::vector<std::uint8_t> body_;
};

}  // namespace strovik
