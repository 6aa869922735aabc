#pragma once

#include "devicelibs/wire/SearchResultRecord.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace strovik {

// resultQueue and resultLock: the search results that library threads hand to the main thread.
// The receive callback keeps the queue through a shared_ptr, so a message that arrives while the
// main window goes still finds a live lock.
//
// Only results of the connection that the current search opened are taken; a search that starts
// forgets what the one before it left queued, so its list never shows another search's rows.
// The queue holds at most kMaxQueued records: a device that sends more before the main thread has
// drained them loses the newest ones, which dropped() counts.
class SearchResultQueue final {
public:
    static constexpr std::size_t kMaxQueued = 65536;

    enum class Offer {
        NotAResult,  // not a result message: the caller handles it (device information, ...)
        Dropped,     // a result of another connection, or one beyond kMaxQueued
        Queued,      // queued; the main thread is already due to drain
        QueuedWake,  // queued into an empty queue: wake the main thread to drain
    };

    // Library thread. A code-101 message of exactly 292 bytes is a result; one of any other length
    // (291 bytes, oversized) is NotAResult like every other message and ends up ignored.
    Offer offer(std::int32_t handle, const std::uint8_t* data, std::size_t length);

    // Main thread. A new search: queued results are discarded and none are taken until accept().
    // Returns the search's generation.
    std::uint64_t beginSearch();
    // Any thread: results of handle belong to search `generation`. False when a newer search began
    // meanwhile (the caller then closes handle).
    bool accept(std::uint64_t generation, std::int32_t handle);
    bool isCurrent(std::uint64_t generation) const;

    // Main thread: the oldest records, at most maxRecords; `more` tells whether some remain (the
    // caller then drains again, and no new wake comes until the queue has run empty).
    std::vector<SearchResultRecord> take(std::size_t maxRecords, bool& more);

    std::size_t dropped() const;

private:
    mutable std::mutex resultLock_;
    std::deque<SearchResultRecord> resultQueue_;
    std::uint64_t generation_ = 0;
    std::int32_t acceptedHandle_ = 0;  // 0: no connection's results are taken
    bool drainDue_ = false;            // a wake was sent and the queue has not run empty since
    std::size_t dropped_ = 0;
};

}  // namespace strovik
