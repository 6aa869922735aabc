#pragma once

#include "platform/AudioMixer.h"

#include <memory>
#include <optional>
#include <vector>

namespace strovik::test {

// A mixer with a scripted volume control that records what is set. The script and the record live
// in a shared Log, so a test keeps seeing them after handing the mixer over.
class FakeAudioMixer final : public AudioMixer {
public:
    struct Log {
        bool opens = true;
        std::optional<MixerVolumeControl> control;
        int openCalls = 0;
        int closeCalls = 0;
        std::vector<std::uint32_t> volumesSet;
    };

    explicit FakeAudioMixer(std::shared_ptr<Log> log) : log_(std::move(log)) {}

    bool open() override {
        ++log_->openCalls;
        return log_->opens;
    }
    std::optional<MixerVolumeControl> findSpeakerVolume() override { return log_->control; }
    void setVolume(std::uint32_t value) override { log_->volumesSet.push_back(value); }
    void close() override { ++log_->closeCalls; }

private:
    std::shared_ptr<Log> log_;
};

}  // namespace strovik::test
