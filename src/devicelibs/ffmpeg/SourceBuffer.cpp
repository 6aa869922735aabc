#include "devicelibs/ffmpeg/SourceBuffer.h"

#include <algorithm>

namespace strovik {

bool SourceBuffer::write(const std::uint8_t* data, std::size_t length) {
    return write(nullptr, 0, data, length);
}

bool SourceBuffer::write(const std::uint8_t* prefix, std::size_t prefixLength, const std::uint8_t* data,
                         std::size_t length) {
    const std::size_t total = prefixLength + length;
    if (total == 0) return true;
    {
        std::lock_guard lock(mutex_);
        if (total > capacity_ - size_) return false;
        std::vector<std::uint8_t>& piece = pieces_.emplace_back();
        piece.reserve(total);
        piece.insert(piece.end(), prefix, prefix + prefixLength);
        piece.insert(piece.end(), data, data + length);
        size_ += total;
    }
    dataArrived_.notify_all();
    return true;
}

void SourceBuffer::clear() {
    std::lock_guard lock(mutex_);
    pieces_.clear();
    frontOffset_ = 0;
    size_ = 0;
}

void SourceBuffer::setCallback(std::int32_t port, std::uint32_t threshold, SourceBufferCallback callback,
                               void* user) {
    std::lock_guard lock(mutex_);
    port_ = port;
    threshold_ = threshold;
    callback_ = std::move(callback);
    user_ = user;
    armed_ = static_cast<bool>(callback_);
}

void SourceBuffer::rearmCallback() {
    std::lock_guard lock(mutex_);
    armed_ = static_cast<bool>(callback_);
}

bool SourceBuffer::waitForData(std::unique_lock<std::mutex>& lock) {
    while (pieces_.empty() && !interrupted_) {
        notifyIfLow(lock);
        if (!interrupted_ && pieces_.empty()) dataArrived_.wait_for(lock, kWaitSlice);
    }
    return !interrupted_;
}

std::size_t SourceBuffer::read(std::uint8_t* data, std::size_t length) {
    std::unique_lock lock(mutex_);
    if (!waitForData(lock)) return 0;
    std::size_t copied = 0;
    while (copied < length && !pieces_.empty()) {
        const std::vector<std::uint8_t>& front = pieces_.front();
        const std::size_t taken = std::min(length - copied, front.size() - frontOffset_);
        std::copy_n(front.begin() + static_cast<std::ptrdiff_t>(frontOffset_), taken, data + copied);
        copied += taken;
        frontOffset_ += taken;
        if (frontOffset_ == front.size()) {
            pieces_.pop_front();
            frontOffset_ = 0;
        }
    }
    size_ -= copied;
    notifyIfLow(lock);
    return copied;
}

bool SourceBuffer::take(std::vector<std::uint8_t>& piece) {
    std::unique_lock lock(mutex_);
    if (!waitForData(lock)) return false;
    piece = std::move(pieces_.front());
    pieces_.pop_front();
    piece.erase(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(frontOffset_));
    frontOffset_ = 0;
    size_ -= piece.size();
    notifyIfLow(lock);
    return true;
}

void SourceBuffer::notifyIfLow(std::unique_lock<std::mutex>& lock) {
    if (!armed_ || size_ >= threshold_) return;
    armed_ = false;
    const SourceBufferCallback callback = callback_;
    const auto buffered = static_cast<std::uint32_t>(size_);
    const std::int32_t port = port_;
    void* const user = user_;
    lock.unlock();
    callback(port, buffered, user, nullptr);
    lock.lock();
}

void SourceBuffer::interrupt() {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
    }
    dataArrived_.notify_all();
}

void SourceBuffer::resume() {
    std::lock_guard lock(mutex_);
    interrupted_ = false;
}

std::size_t SourceBuffer::size() const {
    std::lock_guard lock(mutex_);
    return size_;
}

}  // namespace strovik
