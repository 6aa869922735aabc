#pragma once

#include "DevsimConfig.h"
#include "DiscoveryResponder.h"
#include "EventLog.h"
#include "MediaService.h"
#include "SessionServer.h"
#include "WsDiscoveryResponder.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace strovik::devsim {

// All simulated devices: per device of our protocol the verification port (device port + 2000),
// the device port (live video, handed to the media service) and the raw PTZ port; per ONVIF
// camera its services on its port; plus one discovery responder for each kind of discovery.
class Simulator final {
public:
    Simulator(const DevsimConfig& config, EventLog& log, MediaService& media);
    ~Simulator();

    // Prepares recordings and opens every port; false with *error when a port cannot be had.
    bool start(std::string* error);
    // Later discovery answers carry the identities of fresh's devices (SIGUSR1 reloads the config).
    void reloadDiscovery(const DevsimConfig& fresh);
    // Closes every port and session and joins every thread.
    void stop();

private:
    bool listen(const SimulatedDevice& device, std::uint16_t port, std::string kind,
                SessionServer::Handler handler, std::string* error);
    // Binds a responder's UDP socket (joining address as a multicast group on the interface of
    // groupInterface when that is given) and starts it; false with *error when it cannot.
    template <class Responder>
    bool startResponder(std::unique_ptr<Responder>& responder, const char* kind, const std::string& address,
                        std::uint16_t port, const std::string& groupInterface, std::string* error);

    const DevsimConfig& config_;
    EventLog& log_;
    MediaService& media_;
    std::atomic<std::uint32_t> sessionCount_{0};
    std::vector<std::unique_ptr<SessionServer>> servers_;
    std::unique_ptr<DiscoveryResponder> discovery_;
    std::unique_ptr<WsDiscoveryResponder> wsDiscovery_;
    std::unique_ptr<WsDiscoveryResponder> wsDiscoveryGroup_;
};

}  // namespace strovik::devsim
