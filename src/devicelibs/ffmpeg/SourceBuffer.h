#pragma once

#include "devicelibs/video/StreamPlayerLibrary.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace strovik {

// The bounded source buffer of a player port: the feeder writes pieces (all or nothing, refused
// when they do not fit), the port's player thread reads them as a byte stream (plain format) or
// piece by piece (frame format, one frame a piece). When the player takes data out, or waits for
// data, while less than the threshold is buffered and the callback is armed, the buffer disarms
// it and calls it on the player thread, outside its lock. A starved player keeps calling it every
// wait slice as long as the callback re-arms itself, so a feeder learns that everything it gave
// was used up even when it has nothing more to give.
class SourceBuffer final {
public:
    explicit SourceBuffer(std::size_t capacityBytes) : capacity_(capacityBytes) {}

    // --- feeder ---
    bool write(const std::uint8_t* data, std::size_t length);
    // Writes a prefix and data as one piece.
    bool write(const std::uint8_t* prefix, std::size_t prefixLength, const std::uint8_t* data,
               std::size_t length);
    void clear();
    void setCallback(std::int32_t port, std::uint32_t threshold, SourceBufferCallback callback, void* user);
    void rearmCallback();

    // --- player thread ---
    // Waits until data is there or the buffer is interrupted; returns the bytes copied (0 when
    // interrupted). Each wait slice checks the callback.
    std::size_t read(std::uint8_t* data, std::size_t length);
    // Takes the next whole piece (or what is left of it); false when interrupted.
    bool take(std::vector<std::uint8_t>& piece);

    // Wakes the reader and makes reads return 0 until resume().
    void interrupt();
    void resume();

    std::size_t size() const;

private:
    // Waits for a piece; false when interrupted.
    bool waitForData(std::unique_lock<std::mutex>& lock);
    void notifyIfLow(std::unique_lock<std::mutex>& lock);

    static constexpr std::chrono::milliseconds kWaitSlice{100};

    mutable std::mutex mutex_;
    std::condition_variable dataArrived_;
    std::deque<std::vector<std::uint8_t>> pieces_;
    std::size_t frontOffset_ = 0;  // bytes of the first piece already read
    std::size_t size_ = 0;         // bytes buffered
    const std::size_t capacity_;
    bool interrupted_ = false;

    std::int32_t port_ = 0;
    std::uint32_t threshold_ = 0;
    SourceBufferCallback callback_;
    void* user_ = nullptr;
    bool armed_ = false;
};

}  // namespace strovik
