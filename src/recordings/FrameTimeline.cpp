#include "recordings/FrameTimeline.h"

#include <algorithm>

namespace strovik {

std::uint32_t FramePlayClock::advance(std::uint32_t stampMs) {
    State& s = state_;
    if (s.stampSeen && stampMs > s.previousStamp) {
        s.intervalMs = std::min(stampMs - s.previousStamp, kMaxFrameIntervalMs);
    } else if (!s.stampSeen) {
        s.intervalMs = 0;
    }
    if (!s.stampSeen || stampMs > s.previousStamp) s.previousStamp = stampMs;
    s.stampSeen = true;
    s.positionMs += s.intervalMs;
    return s.intervalMs;
}

void FrameTimeline::addFrame(const FrameHeader& header, std::int64_t fileOffset) {
    if (!header.isPicture()) return;
    const FramePlayClock::State before = clock_.state();
    clock_.advance(header.timeStampMs);
    endMs_ = clock_.positionMs();
    if (header.type == FrameType::Key) keyFrames_.push_back({fileOffset, clock_.positionMs(), before});
}

std::optional<FrameTimeline::KeyFrame> FrameTimeline::keyFrameAtOrBefore(std::int64_t positionMs) const {
    if (keyFrames_.empty()) return std::nullopt;
    const auto after =
        std::upper_bound(keyFrames_.begin(), keyFrames_.end(), positionMs,
                         [](std::int64_t ms, const KeyFrame& key) { return ms < key.positionMs; });
    return after == keyFrames_.begin() ? keyFrames_.front() : *(after - 1);
}

}  // namespace strovik
