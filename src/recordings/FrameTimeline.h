#pragma once

#include "devicelibs/video/FrameFormat.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace strovik {

// Where the picture frames of a frame-format recording lie on its playing time line. The interval
// before a picture is its stamp minus the previous picture's when the stamp grew, the previous
// interval when it did not (a stamp that went back), 0 for the first picture; and never more than
// kMaxFrameIntervalMs, so that a stamp that jumps forwards by hours plays as a short gap instead of
// holding the picture for hours. The position of a picture is the sum of the intervals before it.
class FramePlayClock final {
public:
    static constexpr std::uint32_t kMaxFrameIntervalMs = 2000;

    struct State {
        std::int64_t positionMs = 0;
        std::uint32_t previousStamp = 0;
        std::uint32_t intervalMs = 0;
        bool stampSeen = false;
    };

    // A picture frame stamped stampMs: returns the interval before it and moves the position on.
    std::uint32_t advance(std::uint32_t stampMs);
    std::int64_t positionMs() const { return state_.positionMs; }
    const State& state() const { return state_; }
    void restore(const State& state) { state_ = state; }

private:
    State state_;
};

// The key frames of a frame-format file that is still being copied, and how far its complete
// frames reach: what a seek may land on. Fed frame by frame in file order.
class FrameTimeline final {
public:
    struct KeyFrame {
        std::int64_t fileOffset = 0;        // of its header
        std::int64_t positionMs = 0;        // its own position
        FramePlayClock::State clockBefore;  // the clock just before it, to play on from there
    };

    // A frame whose header and body both lie in the file, at fileOffset.
    void addFrame(const FrameHeader& header, std::int64_t fileOffset);
    // The last key frame at or before positionMs; the first one when positionMs lies before it;
    // nullopt before any key frame was added.
    std::optional<KeyFrame> keyFrameAtOrBefore(std::int64_t positionMs) const;
    // The position of the last complete picture; -1 before the first.
    std::int64_t endMs() const { return endMs_; }

private:
    FramePlayClock clock_;
    std::vector<KeyFrame> keyFrames_;
    std::int64_t endMs_ = -1;
};

}  // namespace strovik
