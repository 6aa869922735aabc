#pragma once

#include "DevsimConfig.h"
#include "EventLog.h"
#include "devicelibs/discovery/UdpSocket.h"

#include <mutex>
#include <thread>
#include <vector>

namespace strovik::devsim {

// Answers discovery probes on one UDP address and port: one answer datagram per device that has a
// discovery identity, sent back to the probe's source.
class DiscoveryResponder final {
public:
    DiscoveryResponder(UdpSocket socket, const std::vector<SimulatedDevice>& devices, EventLog& log);

    // Any thread: later probes are answered with the identities of devices (a reloaded config).
    void replaceIdentities(const std::vector<SimulatedDevice>& devices);
    ~DiscoveryResponder();

    void start();
    void stop();

private:
    void run(std::stop_token stop);

    UdpSocket socket_;
    std::mutex mutex_;  // guards identities_
    std::vector<DiscoveryIdentity> identities_;
    EventLog& log_;
    std::jthread thread_;
};

}  // namespace strovik::devsim
