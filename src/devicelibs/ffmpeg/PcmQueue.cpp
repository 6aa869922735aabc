#include "devicelibs/ffmpeg/PcmQueue.h"

#include <algorithm>

namespace strovik {

void PcmQueue::push(const std::int16_t* samples, std::size_t count) {
    std::lock_guard lock(mutex_);
    samples_.insert(samples_.end(), samples, samples + count);
    if (samples_.size() > capacity_)
        samples_.erase(samples_.begin(), samples_.end() - static_cast<std::ptrdiff_t>(capacity_));
}

std::size_t PcmQueue::pull(std::int16_t* samples, std::size_t count) {
    std::lock_guard lock(mutex_);
    const std::size_t taken = std::min(count, samples_.size());
    std::copy_n(samples_.begin(), taken, samples);
    samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(taken));
    return taken;
}

std::size_t PcmQueue::size() const {
    std::lock_guard lock(mutex_);
    return samples_.size();
}

}  // namespace strovik
