#include "devicelibs/ffmpeg/DecodeLevels.h"
#include "devicelibs/ffmpeg/SourceBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace strovik {
namespace {

struct CallbackLog {
    std::atomic<int> calls{0};
    std::atomic<std::uint32_t> lastBuffered{0};
    static void Record(std::int32_t port, std::uint32_t buffered, void* user, void*) {
        auto* log = static_cast<CallbackLog*>(user);
        EXPECT_EQ(port, 70);
        log->lastBuffered = buffered;
        ++log->calls;
    }
};

TEST(SourceBuffer, RefusesWhatDoesNotFitAndKeepsPiecesWhole) {
    SourceBuffer buffer(10);
    const std::uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(buffer.write(data, 6));
    EXPECT_FALSE(buffer.write(data, 5)) << "all or nothing";
    const std::uint8_t type = 9;
    EXPECT_TRUE(buffer.write(&type, 1, data, 3));
    EXPECT_EQ(buffer.size(), 10u);

    std::uint8_t out[4];
    EXPECT_EQ(buffer.read(out, 4), 4u);
    std::vector<std::uint8_t> piece;
    ASSERT_TRUE(buffer.take(piece));
    EXPECT_EQ(piece, (std::vector<std::uint8_t>{5, 6})) << "the rest of a partly read piece";
    ASSERT_TRUE(buffer.take(piece));
    EXPECT_EQ(piece, (std::vector<std::uint8_t>{9, 1, 2, 3}));
    buffer.write(data, 8);
    buffer.clear();
    EXPECT_EQ(buffer.size(), 0u);
}

TEST(SourceBuffer, CallbackFiresOncePerArmingBelowTheThreshold) {
    SourceBuffer buffer(1000);
    CallbackLog log;
    const std::vector<std::uint8_t> data(300, 1);
    buffer.write(data.data(), data.size());
    buffer.write(data.data(), data.size());
    buffer.setCallback(70, 400, &CallbackLog::Record, &log);
    std::uint8_t out[300];
    buffer.read(out, 100);  // 500 left: above the threshold
    EXPECT_EQ(log.calls, 0);
    buffer.read(out, 200);  // 300 left
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.lastBuffered, 300u);
    buffer.read(out, 100);
    EXPECT_EQ(log.calls, 1) << "not re-armed";
    buffer.rearmCallback();
    buffer.read(out, 100);
    EXPECT_EQ(log.calls, 2);
}

TEST(SourceBuffer, AStarvedReaderKeepsCallingAReArmingCallbackUntilInterrupted) {
    SourceBuffer buffer(1000);
    std::atomic<int> calls{0};
    buffer.setCallback(
        70, 400,
        [&](std::int32_t, std::uint32_t buffered, void*, void*) {
            EXPECT_EQ(buffered, 0u);
            ++calls;
            buffer.rearmCallback();  // as the playback feeder does
        },
        nullptr);
    std::uint8_t out[10];
    std::size_t got = 1;
    std::thread reader([&] { got = buffer.read(out, sizeof out); });
    while (calls < 3) std::this_thread::yield();
    buffer.interrupt();
    reader.join();
    EXPECT_EQ(got, 0u);
    std::vector<std::uint8_t> piece;
    EXPECT_FALSE(buffer.take(piece)) << "interrupted until resumed";
    buffer.resume();
    buffer.write(out, 1);
    EXPECT_TRUE(buffer.take(piece));
}

TEST(DecodeLevels, MapTheCallersLevels) {
    const std::pair<std::int32_t, DropLevel> drops[] = {
        {0, DropLevel::None},     {18, DropLevel::NonReference}, {88, DropLevel::NonKey},
        {388, DropLevel::NonKey}, {6388, DropLevel::NonKey},     {100, DropLevel::None},
        {-12, DropLevel::None},
    };
    for (const auto& [level, expected] : drops) EXPECT_EQ(DropLevelForThrowLevel(level), expected) << level;
    EXPECT_FALSE(PictureQualityForLevel(6).skipLoopFilter);
    EXPECT_FALSE(PictureQualityForLevel(4).skipLoopFilter);
    EXPECT_TRUE(PictureQualityForLevel(0).skipLoopFilter);
    EXPECT_NE(PictureQualityForLevel(6).scaleFlags, PictureQualityForLevel(0).scaleFlags);
}

}  // namespace
}  // namespace strovik
