#include "platform/AudioMixer.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <limits>

namespace strovik {

namespace {

// ALSA reports a missing card on stderr by default; a machine without sound is normal for us.
void silentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

struct MixerCloser {
    void operator()(snd_mixer_t* mixer) const { snd_mixer_close(mixer); }
};
using MixerHandle = std::unique_ptr<snd_mixer_t, MixerCloser>;

std::uint32_t toUnsigned32(long value) {
    return static_cast<std::uint32_t>(std::clamp<long long>(value, 0, std::numeric_limits<std::uint32_t>::max()));
}

class AlsaMixer final : public AudioMixer {
public:
    bool open() override {
        snd_lib_error_set_handler(&silentAlsaErrors);
        snd_mixer_t* raw = nullptr;
        if (snd_mixer_open(&raw, 0) < 0) return false;
        MixerHandle mixer(raw);
        if (snd_mixer_attach(raw, "default") < 0) return false;
        if (snd_mixer_selem_register(raw, nullptr, nullptr) < 0) return false;
        if (snd_mixer_load(raw) < 0) return false;
        mixer_ = std::move(mixer);
        return true;
    }

    std::optional<MixerVolumeControl> findSpeakerVolume() override {
        element_ = nullptr;
        if (!mixer_) return std::nullopt;
        snd_mixer_selem_id_t* id = nullptr;
        snd_mixer_selem_id_alloca(&id);
        snd_mixer_selem_id_set_index(id, 0);
        snd_mixer_selem_id_set_name(id, "Master");
        snd_mixer_elem_t* element = snd_mixer_find_selem(mixer_.get(), id);
        if (!element || !snd_mixer_selem_has_playback_volume(element)) return std::nullopt;
        long minimum = 0;
        long maximum = 0;
        if (snd_mixer_selem_get_playback_volume_range(element, &minimum, &maximum) < 0) return std::nullopt;

        MixerVolumeControl control;
        control.controlId = snd_mixer_selem_get_index(element);
        for (int channel = 0; channel <= SND_MIXER_SCHN_LAST; ++channel)
            if (snd_mixer_selem_has_playback_channel(element, static_cast<snd_mixer_selem_channel_id_t>(channel)))
                ++control.channelCount;
        control.minimum = toUnsigned32(minimum);
        control.maximum = toUnsigned32(maximum);
        element_ = element;
        return control;
    }

    void setVolume(std::uint32_t value) override {
        if (element_) snd_mixer_selem_set_playback_volume_all(element_, static_cast<long>(value));
    }

    void close() override {
        element_ = nullptr;
        mixer_.reset();
    }

private:
    MixerHandle mixer_;
    snd_mixer_elem_t* element_ = nullptr;  // belongs to mixer_
};

}  // namespace

std::unique_ptr<AudioMixer> CreateSystemMixer() { return std::make_unique<AlsaMixer>(); }

}  // namespace strovik
