#include "recordings/SearchResultQueue.h"

#include <algorithm>

namespace strovik {

SearchResultQueue::Offer SearchResultQueue::offer(std::int32_t handle, const std::uint8_t* data,
                                                  std::size_t length) {
    const auto record = ParseSearchResultMessage(data, length);
    if (!record) return Offer::NotAResult;
    std::lock_guard lock(resultLock_);
    if (handle == 0 || handle != acceptedHandle_) return Offer::Dropped;
    if (resultQueue_.size() >= kMaxQueued) {
        ++dropped_;
        return Offer::Dropped;
    }
    resultQueue_.push_back(*record);
    if (drainDue_) return Offer::Queued;
    drainDue_ = true;
    return Offer::QueuedWake;
}

std::uint64_t SearchResultQueue::beginSearch() {
    std::lock_guard lock(resultLock_);
    resultQueue_.clear();
    acceptedHandle_ = 0;
    return ++generation_;
}

bool SearchResultQueue::accept(std::uint64_t generation, std::int32_t handle) {
    std::lock_guard lock(resultLock_);
    if (generation != generation_) return false;
    acceptedHandle_ = handle;
    return true;
}

bool SearchResultQueue::isCurrent(std::uint64_t generation) const {
    std::lock_guard lock(resultLock_);
    return generation == generation_;
}

std::vector<SearchResultRecord> SearchResultQueue::take(std::size_t maxRecords, bool& more) {
    std::lock_guard lock(resultLock_);
    const std::size_t count = std::min(maxRecords, resultQueue_.size());
    std::vector<SearchResultRecord> taken(resultQueue_.begin(),
                                          resultQueue_.begin() + static_cast<std::ptrdiff_t>(count));
    resultQueue_.erase(resultQueue_.begin(), resultQueue_.begin() + static_cast<std::ptrdiff_t>(count));
    more = !resultQueue_.empty();
    if (!more) drainDue_ = false;
    return taken;
}

std::size_t SearchResultQueue::dropped() const {
    std::lock_guard lock(resultLock_);
    return dropped_;
}

}  // namespace strovik
