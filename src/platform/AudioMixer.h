#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace strovik {

// The output volume control of the sound card, as the mixer reports it.
struct MixerVolumeControl {
    std::uint32_t controlId = 0;
    int channelCount = 0;
    std::uint32_t minimum = 0;
    std::uint32_t maximum = 0;
};

// The system's audio mixer (the ALSA simple mixer outside Windows). Calls are quick local queries;
// main thread only.
class AudioMixer {
public:
    virtual ~AudioMixer() = default;

    // Opens the default sound card's mixer; false when there is none or it cannot be read.
    virtual bool open() = 0;
    // The master playback volume of the open mixer; nullopt when there is none.
    virtual std::optional<MixerVolumeControl> findSpeakerVolume() = 0;
    // Sets that control to value on all its channels alike; nothing when it was not found.
    virtual void setVolume(std::uint32_t value) = 0;
    virtual void close() = 0;
};

// The platform's mixer.
std::unique_ptr<AudioMixer> CreateSystemMixer();

}  // namespace strovik
