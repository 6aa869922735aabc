#include "e2e/PlayerFeeding.h"

#include <algorithm>
#include <chrono>

namespace strovik::test {

void FeederSignal::Callback(std::int32_t port, std::uint32_t bufferedBytes, void* user, void*) {
    auto* signal = static_cast<FeederSignal*>(user);
    signal->player->X_Play_ResetSourceBufFlag(port);
    std::lock_guard lock(signal->mutex);
    ++signal->calls;
    if (port != signal->port || bufferedBytes >= 10240) ++signal->callsWithBadArguments;
    signal->lowWater.notify_all();
}

int FeederSignal::callCount() {
    std::lock_guard lock(mutex);
    return calls;
}

FeedResult FeedPlainFile(FeederSignal& signal, const QByteArray& file, int headLength) {
    FeedResult result;
    for (qsizetype offset = headLength; offset < file.size();) {
        const auto piece = static_cast<std::int32_t>(std::min<qsizetype>(4096, file.size() - offset));
        int waits = 0;
        while (signal.player->X_Play_InputData(
                   signal.port, reinterpret_cast<const std::uint8_t*>(file.constData() + offset), piece) == 0) {
            ++result.refusals;
            std::unique_lock lock(signal.mutex);
            const int seen = signal.calls;
            signal.lowWater.wait_for(lock, std::chrono::milliseconds(500), [&] { return signal.calls != seen; });
            if (++waits > 40) return result;
        }
        ++result.pieces;
        offset += piece;
    }
    result.completed = true;
    return result;
}

}  // namespace strovik::test
