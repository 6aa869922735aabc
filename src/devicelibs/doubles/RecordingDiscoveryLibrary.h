#pragma once

#include "devicelibs/DiscoveryLibrary.h"

#include <mutex>

namespace strovik {

// Test double of the discovery library: counts searches and lets the test report cameras and the
// end of a search to whichever callback is registered, on the calling thread. Thread-safe.
class RecordingDiscoveryLibrary final : public DiscoveryLibrary {
public:
    int searchesStarted() const;
    bool hasCallback() const;
    void reportCamera(const IpcSearchRecord& record) const;
    void reportSearchDone() const;

    void SetIPCSearchCallBack(IpcSearchCallback callback) override;
    void StartIPCSearch() override;

private:
    void deliver(const IpcSearchRecord* record, std::int32_t code) const;

    mutable std::mutex mutex_;
    IpcSearchCallback callback_;
    int searchesStarted_ = 0;
};

}  // namespace strovik
