#pragma once

#include "DevsimConfig.h"
#include "EventLog.h"
#include "devicelibs/discovery/UdpSocket.h"

#include <thread>
#include <vector>

namespace strovik::devsim {

// Answers WS-Discovery probes on one UDP address and port for the ONVIF cameras: one ProbeMatches
// datagram per camera, sent back to the probe's source, naming the camera's device service.
class WsDiscoveryResponder final {
public:
    WsDiscoveryResponder(UdpSocket socket, const std::vector<SimulatedDevice>& devices, EventLog& log);
    ~WsDiscoveryResponder();

    void start();
    void stop();

private:
    void run(std::stop_token stop);

    UdpSocket socket_;
    std::vector<QByteArray> cameras_;  // per camera: its ProbeMatch element
    EventLog& log_;
    std::jthread thread_;
};

}  // namespace strovik::devsim
