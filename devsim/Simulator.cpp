#include "Simulator.h"

#include "OnvifServices.h"
#include "Sessions.h"

#include <thread>

namespace strovik::devsim {

Simulator::Simulator(const DevsimConfig& config, EventLog& log, MediaService& media)
    : config_(config), log_(log), media_(media) {}

Simulator::~Simulator() {
    stop();
}

bool Simulator::listen(const SimulatedDevice& device, std::uint16_t port, std::string kind,
                       SessionServer::Handler handler, std::string* error) {
    std::string why;
    TcpListener listener = TcpListener::listenOn(device.address, port, &why);
    if (!listener.valid()) {
        *error = device.name + " (" + kind + "): " + why;
        return false;
    }
    const std::string label = device.address + ":" + std::to_string(port);
    servers_.push_back(std::make_unique<SessionServer>(label, std::move(listener), config_.maxSessions, log_,
                                                       std::move(handler)));
    return true;
}

template <class Responder>
bool Simulator::startResponder(std::unique_ptr<Responder>& responder, const char* kind, const std::string& address,
                               std::uint16_t port, const std::string& groupInterface, std::string* error) {
    std::string why;
    UdpSocket socket = UdpSocket::bindTo(address, port, &why);
    if (socket.valid() && !groupInterface.empty() && !socket.joinGroup(address, groupInterface)) {
        socket = UdpSocket();
        why = "cannot join the group on " + groupInterface;
    }
    if (!socket.valid()) {
        *error = std::string(kind) + ": " + why;
        return false;
    }
    responder = std::make_unique<Responder>(std::move(socket), config_.devices, log_);
    responder->start();
    return true;
}

bool Simulator::start(std::string* error) {
    {
        // Side by side: making recordings and streams is mostly encoding, which keeps a core busy per device.
        std::vector<std::jthread> preparing;
        for (const SimulatedDevice& device : config_.devices)
            if (device.protocol == DeviceProtocol::Native)
                preparing.emplace_back([this, &device] { media_.prepareMedia(device); });
    }
    bool anyOnvif = false;
    for (const SimulatedDevice& device : config_.devices) {
        if (device.protocol == DeviceProtocol::Onvif) {
            anyOnvif = true;
            const auto serve = [this, &device](TcpSocket& socket, std::stop_token stop) {
                ServeOnvifConnection(socket, std::move(stop), device, config_, log_);
            };
            if (!listen(device, device.port, "ONVIF services", serve, error)) {
                stop();
                return false;
            }
            continue;
        }
        const auto context = [this, &device](TcpSocket& socket, std::stop_token stop) {
            return SessionContext(device, config_, log_, socket, std::move(stop), ++sessionCount_);
        };
        const bool listening = listen(
                                   device, device.verificationPort(), "verification port",
                                   [context](TcpSocket& socket, std::stop_token stop) {
                                       SessionContext session = context(socket, std::move(stop));
                                       ServeVerificationPort(session);
                                   },
                                   error) &&
                               listen(
                                   device, device.port, "device port",
                                   [this, &device](TcpSocket& socket, std::stop_token stop) {
                                       media_.serveLiveStream(socket, device, std::move(stop));
                                   },
                                   error) &&
                               listen(
                                   device, device.ptzPort, "raw PTZ port",
                                   [context](TcpSocket& socket, std::stop_token stop) {
                                       SessionContext session = context(socket, std::move(stop));
                                       ServeRawPtzPort(session);
                                   },
                                   error);
        if (!listening) {
            stop();
            return false;
        }
    }
    const bool responding =
        (config_.discoveryPort == 0 ||
         startResponder(discovery_, "discovery", config_.discoveryAddress, config_.discoveryPort, {}, error)) &&
        (!anyOnvif || config_.onvifDiscoveryPort == 0 ||
         startResponder(wsDiscovery_, "WS-Discovery", config_.onvifDiscoveryAddress, config_.onvifDiscoveryPort, {},
                        error)) &&
        (!anyOnvif || config_.onvifDiscoveryPort == 0 || config_.onvifDiscoveryGroup.empty() ||
         startResponder(wsDiscoveryGroup_, "WS-Discovery group", config_.onvifDiscoveryGroup,
                        config_.onvifDiscoveryPort, config_.onvifDiscoveryAddress, error));
    if (!responding) {
        stop();
        return false;
    }
    for (const auto& server : servers_) server->start();
    return true;
}

void Simulator::reloadDiscovery(const DevsimConfig& fresh) {
    if (discovery_) discovery_->replaceIdentities(fresh.devices);
}

void Simulator::stop() {
    if (discovery_) discovery_->stop();
    if (wsDiscovery_) wsDiscovery_->stop();
    if (wsDiscoveryGroup_) wsDiscoveryGroup_->stop();
    for (const auto& server : servers_) server->stop();
    servers_.clear();
    discovery_.reset();
    wsDiscovery_.reset();
    wsDiscoveryGroup_.reset();
}

}  // namespace strovik::devsim
