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
    if (config_.discoveryPort != 0) {
        std::string why;
        UdpSocket socket = UdpSocket::bindTo(config_.discoveryAddress, config_.discoveryPort, &why);
        if (!socket.valid()) {
            *error = "discovery: " + why;
            stop();
            return false;
        }
        discovery_ = std::make_unique<DiscoveryResponder>(std::move(socket), config_.devices, log_);
        discovery_->start();
    }
    if (anyOnvif && config_.onvifDiscoveryPort != 0) {
        std::string why;
        UdpSocket socket = UdpSocket::bindTo(config_.onvifDiscoveryAddress, config_.onvifDiscoveryPort, &why);
        if (!socket.valid()) {
            *error = "WS-Discovery: " + why;
            stop();
            return false;
        }
        wsDiscovery_ = std::make_unique<WsDiscoveryResponder>(std::move(socket), config_.devices, log_);
        wsDiscovery_->start();
    }
    if (anyOnvif && config_.onvifDiscoveryPort != 0 && !config_.onvifDiscoveryGroup.empty()) {
        std::string why;
        UdpSocket socket = UdpSocket::bindTo(config_.onvifDiscoveryGroup, config_.onvifDiscoveryPort, &why);
        if (!socket.valid() || !socket.joinGroup(config_.onvifDiscoveryGroup, config_.onvifDiscoveryAddress)) {
            *error = "WS-Discovery group: " + (why.empty() ? std::string("cannot join ") + config_.onvifDiscoveryGroup : why);
            stop();
            return false;
        }
        wsDiscoveryGroup_ = std::make_unique<WsDiscoveryResponder>(std::move(socket), config_.devices, log_);
        wsDiscoveryGroup_->start();
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
