#include "DiscoveryResponder.h"

#include "devicelibs/wire/DiscoveryDatagrams.h"

namespace strovik::devsim {

namespace {

// How often the thread looks for a stop while no probe comes.
constexpr UdpSocket::Milliseconds kReceiveSlice{100};

std::vector<DiscoveryIdentity> IdentitiesOf(const std::vector<SimulatedDevice>& devices) {
    std::vector<DiscoveryIdentity> identities;
    for (const SimulatedDevice& device : devices)
        if (device.discovery.deviceId != 0) identities.push_back(device.discovery);
    return identities;
}

DiscoveryAnswer AnswerFor(const DiscoveryIdentity& identity, std::uint32_t searchId) {
    DiscoveryAnswer answer{};
    answer.searchId = searchId;
    IpcSearchRecord& camera = answer.camera;
    camera.macText = identity.mac;
    camera.ipText = identity.ipText;
    camera.maskText = identity.mask;
    camera.videoPort = identity.videoPort;
    camera.deviceId = identity.deviceId;
    camera.userText = identity.accessUser;
    camera.passwordText = identity.accessPassword;
    return answer;
}

}  // namespace

DiscoveryResponder::DiscoveryResponder(UdpSocket socket, const std::vector<SimulatedDevice>& devices,
                                       EventLog& log)
    : socket_(std::move(socket)), identities_(IdentitiesOf(devices)), log_(log) {}

void DiscoveryResponder::replaceIdentities(const std::vector<SimulatedDevice>& devices) {
    std::vector<DiscoveryIdentity> fresh = IdentitiesOf(devices);
    std::lock_guard lock(mutex_);
    identities_ = std::move(fresh);
}

DiscoveryResponder::~DiscoveryResponder() {
    stop();
}

void DiscoveryResponder::start() {
    thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

void DiscoveryResponder::stop() {
    if (!thread_.joinable()) return;
    thread_.request_stop();
    thread_.join();
}

void DiscoveryResponder::run(std::stop_token stop) {
    std::uint8_t datagram[2048];
    while (!stop.stop_requested()) {
        UdpSocket::Peer from;
        const std::ptrdiff_t size = socket_.receiveFrom(datagram, sizeof datagram, &from, kReceiveSlice);
        if (size < 0) continue;
        const auto probe = ParseDiscoveryProbe(datagram, static_cast<std::size_t>(size));
        const std::string source = from.address + ":" + std::to_string(from.port);
        if (!probe) {
            LogLine("discovery-bad-datagram").add("peer", source).add("length", size).writeTo(log_);
            continue;
        }
        std::vector<DiscoveryIdentity> identities;
        {
            std::lock_guard lock(mutex_);
            identities = identities_;
        }
        int answered = 0;
        for (const DiscoveryIdentity& identity : identities) {
            const DiscoveryAnswer answer = AnswerFor(identity, probe->searchId);
            answered += socket_.sendTo(from, &answer, sizeof answer) ? 1 : 0;
        }
        LogLine("discovery-probe").add("peer", source).add("answered", answered).writeTo(log_);
    }
}

}  // namespace strovik::devsim
