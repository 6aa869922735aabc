#include "devicelibs/doubles/RecordingDiscoveryLibrary.h"

namespace strovik {

int RecordingDiscoveryLibrary::searchesStarted() const {
    std::lock_guard lock(mutex_);
    return searchesStarted_;
}

bool RecordingDiscoveryLibrary::hasCallback() const {
    std::lock_guard lock(mutex_);
    return static_cast<bool>(callback_);
}

void RecordingDiscoveryLibrary::reportCamera(const IpcSearchRecord& record) const { deliver(&record, 1); }

void RecordingDiscoveryLibrary::reportSearchDone() const { deliver(nullptr, SearchDone); }

void RecordingDiscoveryLibrary::deliver(const IpcSearchRecord* record, std::int32_t code) const {
    IpcSearchCallback callback;
    {
        std::lock_guard lock(mutex_);
        callback = callback_;
    }
    if (callback) callback(record, code);
}

void RecordingDiscoveryLibrary::SetIPCSearchCallBack(IpcSearchCallback callback) {
    std::lock_guard lock(mutex_);
    callback_ = std::move(callback);
}

void RecordingDiscoveryLibrary::StartIPCSearch() {
    std::lock_guard lock(mutex_);
    ++searchesStarted_;
}

}  // namespace strovik
