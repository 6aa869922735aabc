#include "doubles/FakeAudioMixer.h"
#include "liveview/GridLayout.h"
#include "liveview/VolumeCtrl.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

TEST(GridLayout, WindowsFillASquareWithOnePixelGaps) {
    const struct {
        int layout;
        int index;
        QSize grid;
        QRect expected;
    } cases[] = {
        {9, 4, {1000, 700}, {334, 234, 332, 232}},
        {9, 0, {1000, 700}, {1, 1, 332, 232}},
        {1, 0, {874, 625}, {1, 1, 872, 623}},
        {4, 3, {874, 625}, {437, 313, 435, 311}},
        {64, 63, {801, 801}, {701, 701, 99, 99}},
        {64, 8, {801, 801}, {1, 101, 99, 99}},
        {4, 4, {874, 625}, {}},   // outside the layout
        {64, 64, {801, 801}, {}},  // outside the grid
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.layout << '/' << c.index);
        EXPECT_EQ(GridWindowRect(c.layout, c.index, c.grid), c.expected);
    }
}

TEST(VolumeSliderRange, TakesTheControlsBoundsAsTheSliderAllows) {
    const struct {
        std::uint32_t minimum;
        std::uint32_t maximum;
        SliderRange expected;
    } cases[] = {
        {0, 65535, {0, 65535, 65535}},
        {300, 65535, {0, 65535, 65535}},  // a minimum at or above 255 is not taken
        {10, 100, {10, 100, 100}},
        {0, 0xFFFFFFFFu, {0, 2147483647, 2147483647}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.minimum << ".." << c.maximum);
        const SliderRange range = VolumeSliderRange(kVolumeSliderDesignRange, c.minimum, c.maximum);
        EXPECT_EQ(range.minimum, c.expected.minimum);
        EXPECT_EQ(range.maximum, c.expected.maximum);
        EXPECT_EQ(range.position, c.expected.position);
    }
}

TEST(VolumeCtrl, OpensOnceFindsTheControlAndSetsIt) {
    auto log = std::make_shared<test::FakeAudioMixer::Log>();
    log->control = MixerVolumeControl{3, 2, 0, 65535};
    TVolumeCtrl volume(std::make_unique<test::FakeAudioMixer>(log));
    volume.SetVolume(5);  // nothing open yet
    EXPECT_FALSE(volume.FindSpeakerVolume());
    ASSERT_TRUE(volume.Open());
    EXPECT_FALSE(volume.Open());
    ASSERT_TRUE(volume.FindSpeakerVolume());
    EXPECT_EQ(volume.Minimum(), 0u);
    EXPECT_EQ(volume.Maximum(), 65535u);
    EXPECT_EQ(volume.ChannelCount(), 2);
    volume.SetVolume(1000);
    EXPECT_EQ(log->volumesSet, std::vector<std::uint32_t>{1000});
    volume.Close();
    volume.SetVolume(2000);
    EXPECT_EQ(log->volumesSet.size(), 1u);
    EXPECT_EQ(log->closeCalls, 1);
}

TEST(VolumeCtrl, WithoutMixerOrControlNothingHappens) {
    TVolumeCtrl none(nullptr);
    EXPECT_FALSE(none.Open());
    none.SetVolume(3);

    auto log = std::make_shared<test::FakeAudioMixer::Log>();
    TVolumeCtrl noControl(std::make_unique<test::FakeAudioMixer>(log));
    ASSERT_TRUE(noControl.Open());
    EXPECT_FALSE(noControl.FindSpeakerVolume());
    noControl.SetVolume(3);
    EXPECT_TRUE(log->volumesSet.empty());
}

TEST(VolumeCtrl, SystemMixerOpensOrReportsItsAbsence) {
    // Machines without a sound card (CI) take the no-mixer path; with one, the bounds are sane.
    TVolumeCtrl volume(CreateSystemMixer());
    if (volume.Open() && volume.FindSpeakerVolume()) {
        EXPECT_LE(volume.Minimum(), volume.Maximum());
    }
    volume.Close();
}

}  // namespace
}  // namespace strovik
