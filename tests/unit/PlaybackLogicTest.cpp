// The playing time line of frame-format recordings and the timeline's time axis.
#include "liveview/PlaybackTexts.h"
#include "recordings/FrameTimeline.h"
#include "recordings/TimelineScale.h"

#include <gtest/gtest.h>

#include <vector>

namespace strovik {
namespace {

constexpr std::uint32_t kHours3 = 3 * 3600 * 1000;

TEST(FramePlayClock, PositionsFollowTheStampsButNeverJumpOrGoBack) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> stamps;
        std::vector<std::int64_t> positions;
    };
    const Case cases[] = {
        {"40 ms apart", {1000, 1040, 1080}, {0, 40, 80}},
        {"a stamp that goes back keeps the interval", {1000, 1040, 500, 1080}, {0, 40, 80, 120}},
        {"a jump forwards by hours is a short gap",
         {1000, 1040, 1040 + kHours3, 1080 + kHours3},
         {0, 40, 40 + FramePlayClock::kMaxFrameIntervalMs, 80 + FramePlayClock::kMaxFrameIntervalMs}},
        {"a jump backwards by hours", {kHours3, kHours3 + 40, 40, 80}, {0, 40, 80, 120}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FramePlayClock clock;
        std::vector<std::int64_t> positions;
        for (const std::uint32_t stamp : c.stamps) {
            clock.advance(stamp);
            positions.push_back(clock.positionMs());
        }
        EXPECT_EQ(positions, c.positions);
    }
}

TEST(FrameTimeline, FindsTheKeyFrameASeekStartsFromAndWhereTheCopyEnds) {
    FrameTimeline timeline;
    EXPECT_FALSE(timeline.keyFrameAtOrBefore(0));
    EXPECT_EQ(timeline.endMs(), -1);
    // A key frame every second, three pictures after each, sound in between (not on the line).
    std::int64_t offset = 0;
    for (int i = 0; i < 12; ++i) {
        const std::uint8_t type = i % 4 == 0 ? FrameType::Key : FrameType::Picture;
        timeline.addFrame(FrameHeader{100, 5000u + 250u * i, type}, offset);
        offset += 116;
        timeline.addFrame(FrameHeader{320, 5000u + 250u * i, FrameType::Audio}, offset);
        offset += 336;
    }
    EXPECT_EQ(timeline.endMs(), 11 * 250);
    struct Case {
        std::int64_t positionMs;
        std::int64_t keyPositionMs;
    };
    for (const Case& c : {Case{0, 0}, Case{999, 0}, Case{1000, 1000}, Case{2600, 2000}, Case{90000, 2000}}) {
        SCOPED_TRACE(c.positionMs);
        const auto key = timeline.keyFrameAtOrBefore(c.positionMs);
        ASSERT_TRUE(key);
        EXPECT_EQ(key->positionMs, c.keyPositionMs);
        EXPECT_EQ(key->fileOffset, c.keyPositionMs / 250 * 452);
        // Played on from there, the clock gives the key frame its own position again.
        FramePlayClock clock;
        clock.restore(key->clockBefore);
        clock.advance(static_cast<std::uint32_t>(5000 + key->positionMs));
        EXPECT_EQ(clock.positionMs(), key->positionMs);
    }
}

TEST(TimelineScale, ZoomKeepsTheTimeUnderTheAnchorAndStaysInTheDay) {
    TimelineScale scale;
    scale.setDay(1'000'000);
    scale.setWidth(1440);
    EXPECT_EQ(scale.timeAt(720), 1'000'000 + TimelineScale::kDayMs / 2);
    for (const double x : {0.0, 300.0, 1000.0}) {
        SCOPED_TRACE(x);
        const std::int64_t anchor = scale.timeAt(x);
        scale.zoom(0.5, x);
        EXPECT_NEAR(static_cast<double>(scale.timeAt(x)), static_cast<double>(anchor), 1.0);
    }
    for (int i = 0; i < 40; ++i) scale.zoom(0.5, 700);
    EXPECT_EQ(scale.spanMs(), TimelineScale::kMinSpanMs);
    for (int i = 0; i < 40; ++i) scale.zoom(2, 100);
    EXPECT_EQ(scale.spanMs(), TimelineScale::kDayMs);
    EXPECT_EQ(scale.viewStartMs(), scale.dayStartMs()) << "the whole day again";
}

TEST(PlaybackTexts, ClockAndSpeed) {
    EXPECT_EQ(PlaybackClockText(-1), QStringLiteral("-:--"));
    EXPECT_EQ(PlaybackClockText(65'400), QStringLiteral("1:05"));
    EXPECT_EQ(PlaybackClockText(3'725'000), QStringLiteral("1:02:05"));
    EXPECT_EQ(SpeedText(-3), QStringLiteral("1/8x"));
    EXPECT_EQ(SpeedText(0), QStringLiteral("1x"));
    EXPECT_EQ(SpeedText(2), QStringLiteral("4x"));
}

}  // namespace
}  // namespace strovik
