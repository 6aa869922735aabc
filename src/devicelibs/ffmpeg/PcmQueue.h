#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

namespace strovik {

// Decoded sound on its way from a stream's worker (push) to the sound output (pull, GUI thread).
// Bounded: when the output falls behind or is missing, the oldest samples are dropped, so the
// delay never grows beyond capacity.
class PcmQueue final {
public:
    explicit PcmQueue(std::size_t capacitySamples) : capacity_(capacitySamples) {}

    void push(const std::int16_t* samples, std::size_t count);
    // Copies up to count samples out; returns how many.
    std::size_t pull(std::int16_t* samples, std::size_t count);
    std::size_t size() const;

private:
    mutable std::mutex mutex_;
    std::deque<std::int16_t> samples_;
    std::size_t capacity_;
};

}  // namespace strovik
