#include "devicelibs/discovery/UdpDiscoveryLibrary.h"

#include "devicelibs/discovery/UdpSocket.h"
#include "devicelibs/onvif/OnvifAnswers.h"
#include "devicelibs/onvif/WsDiscovery.h"
#include "platform/IniFile.h"

#include <QUrl>

#include <chrono>
#include <random>
#include <set>
#include <string>
#include <utility>

namespace strovik {

namespace {

// How often a listening search looks for a restart or shutdown while no answers come.
constexpr std::chrono::milliseconds kPollSlice{50};
// Room for WS-Discovery answers, which run to a few kilobytes; larger datagrams are cut and so
// recognised as not being one.
constexpr std::size_t kDatagramCapacity = 16 * 1024;
// A flood of distinct answers must not grow the list of cameras reported without bound.
constexpr std::size_t kMaxCamerasPerSearch = 4096;

// A WS-Discovery match as the search callback reports cameras: where it is and the port of its
// device service, its endpoint reference for the MAC text (it is what identifies it), device ID 0.
// Where it is: the service address on the host the answer came from, else that host with the
// first address's port. Cameras behind a router or given a new address name hosts that cannot be
// reached from here.
std::optional<IpcSearchRecord> RecordOf(const WsDiscoveryMatch& match, const std::string& source) {
    std::optional<QUrl> chosen;
    for (const QString& address : match.serviceAddresses) {
        const QUrl url(address, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty()) continue;
        if (!chosen) chosen = url;
        if (url.host().toStdString() == source) {
            chosen = url;
            break;
        }
    }
    if (!chosen) return std::nullopt;
    IpcSearchRecord camera{};
    camera.ipText = source;
    camera.videoPort = chosen->port(80);
    camera.macText = match.endpoint.toStdString();
    return camera;
}

}  // namespace

std::string OnvifProbeAddress(const DiscoveryOptions& options) {
    if (!options.onvifProbeAddress.empty()) return options.onvifProbeAddress;
    return options.probeAddress == DiscoveryOptions{}.probeAddress ? std::string(kWsDiscoveryGroup)
                                                                    : options.probeAddress;
}

DiscoveryOptions ReadDiscoveryOptions(const IniFile& settings) {
    DiscoveryOptions options;
    const QString section = QStringLiteral("LanSearch");
    const QString address = settings.readString(section, QStringLiteral("ProbeAddress"), QString());
    if (!address.isEmpty()) options.probeAddress = address.toStdString();
    const qint64 port = settings.readInt(section, QStringLiteral("ProbePort"), options.probePort);
    if (port >= 1 && port <= 65535) options.probePort = static_cast<std::uint16_t>(port);
    const qint64 listenMs = settings.readInt(section, QStringLiteral("ListenMs"), options.listenTime.count());
    if (listenMs >= 100 && listenMs <= 60000) options.listenTime = std::chrono::milliseconds(listenMs);
    options.onvifProbeAddress = settings.readString(section, QStringLiteral("OnvifProbeAddress"), QString()).toStdString();
    const qint64 onvifPort = settings.readInt(section, QStringLiteral("OnvifProbePort"), options.onvifProbePort);
    if (onvifPort >= 1 && onvifPort <= 65535) options.onvifProbePort = static_cast<std::uint16_t>(onvifPort);
    return options;
}

UdpDiscoveryLibrary::UdpDiscoveryLibrary(const DiscoveryOptions& options) : options_(options) {
    lastSearchId_ = std::random_device{}();
}

UdpDiscoveryLibrary::~UdpDiscoveryLibrary() {
    {
        std::lock_guard lock(mutex_);
        shuttingDown_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void UdpDiscoveryLibrary::SetIPCSearchCallBack(IpcSearchCallback callback) {
    std::lock_guard lock(mutex_);
    callback_ = std::move(callback);
}

void UdpDiscoveryLibrary::StartIPCSearch() {
    {
        std::lock_guard lock(mutex_);
        startRequested_ = true;
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    wake_.notify_all();
}

UdpDiscoveryLibrary::Wake UdpDiscoveryLibrary::takeRequest() {
    std::lock_guard lock(mutex_);
    if (shuttingDown_) return Wake::ShutDown;
    return std::exchange(startRequested_, false) ? Wake::Restart : Wake::Search;
}

void UdpDiscoveryLibrary::run() {
    while (true) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return startRequested_ || shuttingDown_; });
            if (shuttingDown_) return;
        }
        if (!search()) return;
    }
}

bool UdpDiscoveryLibrary::search() {
    UdpSocket socket = UdpSocket::bindTo("0.0.0.0", 0);
    const UdpSocket::Peer target{options_.probeAddress, options_.probePort};
    const UdpSocket::Peer onvifTarget{OnvifProbeAddress(options_), options_.onvifProbePort};
    std::set<std::pair<std::int32_t, std::string>> reported;  // (device ID, MAC) of this search
    DiscoveryProbe probe{};
    QString onvifMessageId;
    auto deadline = std::chrono::steady_clock::now();

    const auto sendProbe = [&] {
        takeRequest();
        probe.searchId = ++lastSearchId_;
        onvifMessageId = NewWsDiscoveryMessageId();
        reported.clear();
        deadline = std::chrono::steady_clock::now() + options_.listenTime;
        // A probe that cannot be sent (no route for the broadcast, ...) simply finds nothing.
        socket.sendTo(target, &probe, sizeof probe);
        const QByteArray onvifProbe = WsDiscoveryProbe(onvifMessageId);
        socket.sendTo(onvifTarget, onvifProbe.constData(), static_cast<std::size_t>(onvifProbe.size()));
    };
    const auto reportOnce = [&](IpcSearchRecord& camera) {
        if (reported.size() >= kMaxCamerasPerSearch ||
            !reported.emplace(camera.deviceId, camera.macText.str()).second)
            return;
        report(&camera, 1);
    };
    sendProbe();
    if (!socket.valid()) {
        report(nullptr, SearchDone);
        return true;
    }

    std::uint8_t datagram[kDatagramCapacity];
    while (true) {
        switch (takeRequest()) {
            case Wake::ShutDown:
                return false;
            case Wake::Restart:
                sendProbe();
                break;
            case Wake::Search:
                break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) break;
        const auto wait = std::min<std::chrono::milliseconds>(
            kPollSlice, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                            std::chrono::milliseconds(1));
        UdpSocket::Peer from;
        const std::ptrdiff_t size = socket.receiveFrom(datagram, sizeof datagram, &from, wait);
        if (size <= 0) continue;
        if (auto answer = ParseDiscoveryAnswer(datagram, static_cast<std::size_t>(size))) {
            if (answer->searchId != probe.searchId) continue;
            IpcSearchRecord& camera = answer->camera;
            if (camera.ipText.empty()) camera.ipText = from.address;
            reportOnce(camera);
            continue;
        }
        const auto onvifAnswer =
            ParseProbeMatches(QByteArrayView(reinterpret_cast<const char*>(datagram), static_cast<qsizetype>(size)));
        if (!onvifAnswer || onvifAnswer->relatesTo != onvifMessageId) continue;
        for (const WsDiscoveryMatch& match : onvifAnswer->matches)
            if (auto camera = RecordOf(match, from.address)) reportOnce(*camera);
    }
    report(nullptr, SearchDone);
    return true;
}

void UdpDiscoveryLibrary::report(const IpcSearchRecord* record, std::int32_t code) {
    IpcSearchCallback callback;
    {
        std::lock_guard lock(mutex_);
        callback = callback_;
    }
    if (callback) callback(record, code);
}

std::shared_ptr<DiscoveryLibrary> CreateDiscoveryLibrary(const DiscoveryOptions& options) {
    return std::make_shared<UdpDiscoveryLibrary>(options);
}

}  // namespace strovik
