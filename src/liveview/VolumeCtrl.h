#pragma once

#include <cstdint>
#include <memory>

namespace strovik {

class AudioMixer;

// The master output volume behind the main window's volume slider. Main thread only.
class TVolumeCtrl final {
public:
    explicit TVolumeCtrl(std::unique_ptr<AudioMixer> mixer);
    ~TVolumeCtrl();
    TVolumeCtrl(const TVolumeCtrl&) = delete;
    TVolumeCtrl& operator=(const TVolumeCtrl&) = delete;

    // Opens the sound card's mixer; false when one is already open or there is none.
    bool Open();
    // Finds the speakers' volume control; false when no mixer is open or it has none.
    bool FindSpeakerVolume();
    // Sets the control to value on all channels alike; nothing when no control was found.
    void SetVolume(std::uint32_t value);
    std::uint32_t Minimum() const { return minimum_; }
    std::uint32_t Maximum() const { return maximum_; }
    int ChannelCount() const { return channelCount_; }
    void Close();

private:
    std::unique_ptr<AudioMixer> mixer_;
    bool open_ = false;
    bool found_ = false;
    int channelCount_ = 0;
    std::uint32_t minimum_ = 0;
    std::uint32_t maximum_ = 0;
    std::uint32_t controlId_ = 0;
};

// The volume slider's range and position.
struct SliderRange {
    int minimum = 0;
    int maximum = 255;
    int position = 0;
};
// The design range of the slider, kept when no mixer control is found.
inline constexpr SliderRange kVolumeSliderDesignRange{0, 255, 0};

// The slider after a volume control was found: its minimum is taken only while it lies below the
// slider's current maximum, then its maximum is taken, and the position goes to the maximum.
// Values beyond the slider's int range are cut to it.
SliderRange VolumeSliderRange(SliderRange slider, std::uint32_t controlMinimum, std::uint32_t controlMaximum);

}  // namespace strovik
