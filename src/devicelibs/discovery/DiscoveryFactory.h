#pragma once

#include "devicelibs/DiscoveryLibrary.h"
#include "devicelibs/wire/DiscoveryDatagrams.h"

#include <chrono>
#include <memory>
#include <string>

namespace strovik {

class IniFile;

// Where the probe goes and how long the answers are awaited. The defaults search the LAN; tests and
// the demo point the probe at the loopback address devsim listens on.
struct DiscoveryOptions {
    std::string probeAddress = "255.255.255.255";
    std::uint16_t probePort = kDefaultDiscoveryPort;
    std::chrono::milliseconds listenTime{3000};
};

// The options from the settings file: section "LanSearch", keys "ProbeAddress", "ProbePort" and
// "ListenMs"; a missing or unusable value keeps its default.
DiscoveryOptions ReadDiscoveryOptions(const IniFile& settings);

// The real library: a UDP probe and the cameras' answers. Destroying it ends a running search
// (without SearchDone) and joins its thread; it must not be destroyed from inside its callback.
std::shared_ptr<DiscoveryLibrary> CreateDiscoveryLibrary(const DiscoveryOptions& options = {});

}  // namespace strovik
