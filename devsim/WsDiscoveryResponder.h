#pragma once

#include "DevsimConfig.h"
#include "EventLog.h"
#include "devicelibs/discovery/UdpSocket.h"

#include <thread>
#include <vector>

namespace strovik::devsim {

// Answers WS-Discovery probes on one UDP address and port for the ONVIF cameras: one ProbeMatches
// datagram per camera, sent back to the probe's source from the camera's own address (as a camera
// on a LAN answers), naming the camera's device service at its DiscoveryIp.
class WsDiscoveryResponder final {
public:
    WsDiscoveryResponder(UdpSocket socket, const std::vector<SimulatedDevice>& devices, EventLog& log);
    ~WsDiscoveryResponder();

    void start();
    void stop();

private:
    void run(std::stop_token stop);

    struct Camera {
        QByteArray match;  // its ProbeMatch element
        UdpSocket socket;  // bound to its address; answers go out from there
    };

    UdpSocket socket_;
    std::vector<Camera> cameras_;
    EventLog& log_;
    std::jthread thread_;
};

}  // namespace strovik::devsim
