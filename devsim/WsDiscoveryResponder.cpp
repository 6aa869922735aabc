#include "WsDiscoveryResponder.h"

#include "devicelibs/onvif/WsDiscovery.h"
#include "devicelibs/onvif/XmlTree.h"

#include <QUrl>
#include <QUuid>

namespace strovik::devsim {

namespace {

constexpr UdpSocket::Milliseconds kReceiveSlice{100};

QByteArray ProbeMatchOf(const SimulatedDevice& device) {
    // Stable per name, so that a camera keeps its endpoint across runs as a real one does.
    const QUuid endpoint = QUuid::createUuidV5(QUuid(), QString::fromStdString("devsim/" + device.name));
    return "<d:ProbeMatch><a:EndpointReference><a:Address>urn:uuid:" +
           endpoint.toString(QUuid::WithoutBraces).toUtf8() +
           "</a:Address></a:EndpointReference><d:Types>dn:NetworkVideoTransmitter</d:Types>"
           "<d:Scopes>onvif://www.onvif.org/type/video_encoder onvif://www.onvif.org/name/" +
           QUrl::toPercentEncoding(QString::fromStdString(device.name)) + "</d:Scopes><d:XAddrs>http://" +
           QByteArray::fromStdString(device.discovery.ipText) + ":" + QByteArray::number(device.port) +
           "/onvif/device_service</d:XAddrs><d:MetadataVersion>1</d:MetadataVersion></d:ProbeMatch>";
}

QByteArray ProbeMatches(const QString& relatesTo, const QByteArray& match) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
           "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
           "xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\"><s:Header>"
           "<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</a:Action><a:MessageID>" +
           NewWsDiscoveryMessageId().toUtf8() + "</a:MessageID><a:RelatesTo>" + relatesTo.toHtmlEscaped().toUtf8() +
           "</a:RelatesTo><a:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</a:To></s:Header>"
           "<s:Body><d:ProbeMatches>" +
           match + "</d:ProbeMatches></s:Body></s:Envelope>";
}

}  // namespace

WsDiscoveryResponder::WsDiscoveryResponder(UdpSocket socket, const std::vector<SimulatedDevice>& devices,
                                           EventLog& log)
    : socket_(std::move(socket)), log_(log) {
    for (const SimulatedDevice& device : devices)
        if (device.protocol == DeviceProtocol::Onvif)
            cameras_.push_back(Camera{ProbeMatchOf(device), UdpSocket::bindTo(device.address, 0)});
}

WsDiscoveryResponder::~WsDiscoveryResponder() {
    stop();
}

void WsDiscoveryResponder::start() {
    thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

void WsDiscoveryResponder::stop() {
    if (!thread_.joinable()) return;
    thread_.request_stop();
    thread_.join();
}

void WsDiscoveryResponder::run(std::stop_token stop) {
    std::vector<char> datagram(16 * 1024);
    while (!stop.stop_requested()) {
        UdpSocket::Peer from;
        const std::ptrdiff_t size = socket_.receiveFrom(datagram.data(), datagram.size(), &from, kReceiveSlice);
        if (size < 0) continue;
        const std::string source = from.address + ":" + std::to_string(from.port);
        const auto document = ParseXmlTree(QByteArrayView(datagram.data(), size));
        const XmlElement* header = document ? document->child(u"Header") : nullptr;
        if (!document || !header || !document->path({u"Body", u"Probe"})) {
            LogLine("ws-discovery-bad-datagram").add("peer", source).add("length", size).writeTo(log_);
            continue;
        }
        const QString messageId = header->childText(u"MessageID");
        int answered = 0;
        for (Camera& camera : cameras_) {
            const QByteArray answer = ProbeMatches(messageId, camera.match);
            UdpSocket& sender = camera.socket.valid() ? camera.socket : socket_;
            answered += sender.sendTo(from, answer.constData(), static_cast<std::size_t>(answer.size())) ? 1 : 0;
        }
        LogLine("ws-discovery-probe").add("peer", source).add("answered", answered).writeTo(log_);
    }
}

}  // namespace strovik::devsim
