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
    // The WS-Discovery probe for ONVIF cameras, sent beside ours. Empty: WS-Discovery's group when
    // our probe goes to the broadcast address, else our probe's address, so that a search pointed
    // at loopback stays there whichever probe it sends.
    std::string onvifProbeAddress;
    std::uint16_t onvifProbePort = 3702;
};

// Where the WS-Discovery probe goes (see DiscoveryOptions::onvifProbeAddress).
std::string OnvifProbeAddress(const DiscoveryOptions& options);

// The options from the settings file: section "LanSearch", keys "ProbeAddress", "ProbePort",
// "ListenMs", "OnvifProbeAddress" and "OnvifProbePort"; a missing or unusable value keeps its default.
DiscoveryOptions ReadDiscoveryOptions(const IniFile& settings);

// The real library: a UDP probe and the cameras' answers. Destroying it ends a running search
// (without SearchDone) and joins its thread; it must not be destroyed from inside its callback.
std::shared_ptr<DiscoveryLibrary> CreateDiscoveryLibrary(const DiscoveryOptions& options = {});

}  // namespace strovik
