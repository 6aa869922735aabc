#include "devicelibs/ffmpeg/H264Decoder.h"
#include "devicelibs/video/FrameFormat.h"
#include "devsim/media/MediaCache.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace strovik::devsim {
namespace {

TEST(EncodedLoop, IsALoopOfDecodablePicturesStartingWithAKeyFrame) {
    MediaCache media;
    const struct {
        StreamKind kind;
        int width;
        int height;
        bool sound;
    } cases[] = {{StreamKind::Main, 640, 360, true}, {StreamKind::Sub, 320, 180, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        const std::shared_ptr<const EncodedLoop> loop = media.loop({"Gate", 3, c.kind});
        ASSERT_TRUE(loop);
        ASSERT_EQ(loop->pictures.size(), static_cast<std::size_t>(kLoopFrames));
        EXPECT_EQ(loop->pictures.front().frameType, FrameType::Key);
        std::set<std::uint8_t> types;
        for (const EncodedPicture& picture : loop->pictures) {
            types.insert(picture.frameType);
            EXPECT_LE(picture.data.size(), kMaxFrameBodyBytes);
        }
        EXPECT_EQ(types, (std::set<std::uint8_t>{FrameType::Key, FrameType::Picture, FrameType::Droppable}));
        EXPECT_FALSE(loop->parameterSets.empty());
        EXPECT_EQ(loop->audioFrames.size(), c.sound ? static_cast<std::size_t>(kLoopFrames) : 0u);

        // Two loops back to back decode into pictures of the stream's size, none lost.
        H264Decoder decoder;
        int pictures = 0;
        for (int round = 0; round < 2; ++round)
            for (const EncodedPicture& picture : loop->pictures)
                EXPECT_TRUE(decoder.decode(picture.data.data(), picture.data.size(),
                                           picture.frameType == FrameType::Key, [&](const AVFrame& frame) {
                                               EXPECT_EQ(frame.width, c.width);
                                               EXPECT_EQ(frame.height, c.height);
                                               ++pictures;
                                           }));
        EXPECT_GE(pictures, 2 * kLoopFrames - 2) << "all but the decoder's reorder delay";
    }
}

TEST(EncodedLoop, DropLevelsSkipWhatTheySay) {
    MediaCache media;
    const std::shared_ptr<const EncodedLoop> loop = media.loop({"Gate", 0, StreamKind::Sub});
    ASSERT_TRUE(loop);
    int keys = 0;
    int referenced = 0;
    for (const EncodedPicture& picture : loop->pictures) {
        keys += picture.frameType == FrameType::Key;
        referenced += picture.frameType != FrameType::Droppable;
    }
    const struct {
        DropLevel level;
        int expected;
    } cases[] = {
        {DropLevel::None, kLoopFrames}, {DropLevel::NonReference, referenced}, {DropLevel::NonKey, keys}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.level));
        H264Decoder decoder;
        decoder.setDropLevel(c.level);
        int pictures = 0;
        for (const EncodedPicture& picture : loop->pictures)
            decoder.decode(picture.data.data(), picture.data.size(), picture.frameType == FrameType::Key,
                           [&](const AVFrame&) { ++pictures; });
        // The decoder holds back at most its reorder delay.
        EXPECT_LE(pictures, c.expected);
        EXPECT_GE(pictures, c.expected - 2);
    }
}

TEST(MediaCache, EncodesEachStreamOnceForAllWhoAskAtOnce) {
    MediaCache media;
    std::shared_ptr<const EncodedLoop> loops[4];
    std::vector<std::thread> askers;
    for (auto& loop : loops) askers.emplace_back([&] { loop = media.loop({"Gate", 0, StreamKind::Sub}); });
    for (std::thread& asker : askers) asker.join();
    for (const auto& loop : loops) EXPECT_EQ(loop, loops[0]);
    EXPECT_NE(media.loop({"Gate", 1, StreamKind::Sub}), loops[0]);
}

}  // namespace
}  // namespace strovik::devsim
