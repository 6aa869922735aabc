#pragma once

#include "devicelibs/DiscoveryLibrary.h"
#include "devicelibs/discovery/DiscoveryFactory.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace strovik {

// LAN camera discovery over UDP (docs/device-protocol.md). One search thread, started with the
// first search, sends the probe and reports every camera that answers, once per search, to the
// callback registered at that moment; SearchDone follows when the listening time is over.
// StartIPCSearch during a search restarts it: a fresh probe, a fresh listening time, and cameras
// already reported are reported again (the new caller has not seen them). Calls may come from any
// thread, also from inside the callback.
class UdpDiscoveryLibrary final : public DiscoveryLibrary {
public:
    explicit UdpDiscoveryLibrary(const DiscoveryOptions& options);
    ~UdpDiscoveryLibrary() override;

    void SetIPCSearchCallBack(IpcSearchCallback callback) override;
    void StartIPCSearch() override;

private:
    enum class Wake { Search, Restart, ShutDown };

    void run();
    // Returns false when the library is shutting down.
    bool search();
    void report(const IpcSearchRecord* record, std::int32_t code);
    // Consumes a pending start request: Restart, ShutDown, or Search when there is none.
    Wake takeRequest();

    const DiscoveryOptions options_;
    std::mutex mutex_;
    std::condition_variable wake_;
    IpcSearchCallback callback_;
    bool startRequested_ = false;
    bool shuttingDown_ = false;
    std::uint32_t lastSearchId_ = 0;
    std::thread thread_;
};

}  // namespace strovik
