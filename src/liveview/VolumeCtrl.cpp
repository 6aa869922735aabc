#include "liveview/VolumeCtrl.h"

#include "platform/AudioMixer.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace strovik {

TVolumeCtrl::TVolumeCtrl(std::unique_ptr<AudioMixer> mixer) : mixer_(std::move(mixer)) {}

TVolumeCtrl::~TVolumeCtrl() { Close(); }

bool TVolumeCtrl::Open() {
    if (open_ || !mixer_) return false;
    open_ = mixer_->open();
    return open_;
}

bool TVolumeCtrl::FindSpeakerVolume() {
    if (!open_) return false;
    const auto control = mixer_->findSpeakerVolume();
    found_ = control.has_value();
    if (!found_) return false;
    controlId_ = control->controlId;
    channelCount_ = control->channelCount;
    minimum_ = control->minimum;
    maximum_ = control->maximum;
    return true;
}

void TVolumeCtrl::SetVolume(std::uint32_t value) {
    if (open_ && found_) mixer_->setVolume(value);
}

void TVolumeCtrl::Close() {
    if (!open_) return;
    mixer_->close();
    open_ = false;
    found_ = false;
}

SliderRange VolumeSliderRange(SliderRange slider, std::uint32_t controlMinimum, std::uint32_t controlMaximum) {
    constexpr std::uint32_t largest = std::numeric_limits<int>::max();
    const int minimum = static_cast<int>(std::min(controlMinimum, largest));
    const int maximum = static_cast<int>(std::min(controlMaximum, largest));
    if (minimum < slider.maximum) slider.minimum = minimum;
    slider.maximum = std::max(maximum, slider.minimum);
    slider.position = slider.maximum;
    return slider;
}

}  // namespace strovik
