#pragma once

#include "devicelibs/video/StreamPlayerLibrary.h"

#include <QByteArray>

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace strovik::test {

// The playback thread's side of the stream player's source buffer callback: re-arm, then wake
// the feeder. Register Callback with the signal as the user value.
struct FeederSignal {
    StreamPlayerLibrary* player = nullptr;
    std::int32_t port = 0;
    std::mutex mutex;
    std::condition_variable lowWater;
    int calls = 0;
    int callsWithBadArguments = 0;  // another port, or more buffered than the threshold of 10240

    static void Callback(std::int32_t port, std::uint32_t bufferedBytes, void* user, void*);
    int callCount();
};

struct FeedResult {
    int pieces = 0;
    int refusals = 0;
    bool completed = false;
};

// Feeds a plain-format file to signal's port in 4096-byte pieces after its header, as remote
// playback does; a refused piece waits for the buffer callback (in 500 ms slices, 20 s at most) and
// is offered again.
FeedResult FeedPlainFile(FeederSignal& signal, const QByteArray& file, int headLength);

}  // namespace strovik::test
