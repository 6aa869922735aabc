#include "OnvifServices.h"

#include "devicelibs/onvif/HttpMessage.h"
#include "devicelibs/onvif/SoapCall.h"
#include "devicelibs/onvif/UsernameToken.h"
#include "devicelibs/onvif/XmlTree.h"

#include <QDateTime>

#include <cstring>

namespace strovik::devsim {

namespace {

constexpr std::size_t kMaxRequestBytes = 256 * 1024;
constexpr TcpSocket::Milliseconds kOnvifIdle{30000};
// Tokens created further than this from the camera's clock are refused.
constexpr qint64 kTokenFreshnessSeconds = 60;

QDateTime CameraClock(const SimulatedDevice& device) {
    return QDateTime::currentDateTimeUtc().addSecs(device.onvif.clockOffset.count());
}

QByteArray Escaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped().toUtf8();
}

QByteArray Escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

QByteArray Fault(const char* subcode, const char* reason) {
    return QByteArray("<s:Fault><s:Code><s:Value>s:Sender</s:Value><s:Subcode><s:Value>") + subcode +
           "</s:Value></s:Subcode></s:Code><s:Reason><s:Text xml:lang=\"en\">" + reason +
           "</s:Text></s:Reason></s:Fault>";
}

QByteArray ServiceAddress(const SimulatedDevice& device, const char* service) {
    return "http://" + QByteArray::fromStdString(device.address) + ":" + QByteArray::number(device.port) +
           "/onvif/" + service;
}

QString ChannelText(const std::string& pattern, int channel) {
    return QString::fromStdString(pattern).replace(QLatin1String("{channel}"), QString::number(channel));
}

// The caller's verdict: a user with rights of 32 or more whose digest (or plain password) is right.
bool Authorized(const XmlElement& envelope, const SimulatedDevice& device) {
    const XmlElement* token = envelope.path({u"Header", u"Security", u"UsernameToken"});
    if (!token) return false;
    const SimulatedUser* user = device.findUser(token->childText(u"Username").toStdString());
    if (!user || user->rights < 32) return false;
    const XmlElement* password = token->child(u"Password");
    if (!password) return false;
    const QString given = password->text;
    const QString expected = QString::fromStdString(user->password);
    if (!password->attribute(u"Type").endsWith(QLatin1String("#PasswordDigest"))) return given == expected;
    const QDateTime created = QDateTime::fromString(token->childText(u"Created"), Qt::ISODateWithMs);
    if (!created.isValid() || std::abs(created.secsTo(CameraClock(device))) > kTokenFreshnessSeconds) return false;
    const QByteArray nonce = QByteArray::fromBase64(token->childText(u"Nonce").toUtf8());
    return PasswordDigest(nonce, token->childText(u"Created"), expected) == given.toUtf8();
}

QByteArray Profile(const SimulatedDevice& device, int channel, bool sub) {
    const QByteArray number = QByteArray::number(channel);
    const QByteArray token = (sub ? "sub_" : "main_") + number;
    const StreamSize size = sub ? device.subStreamSize : device.mainStreamSize;
    QByteArray profile = "<trt:Profiles token=\"" + token + "\" fixed=\"true\"><tt:Name>" + token +
                         "</tt:Name><tt:VideoSourceConfiguration token=\"vsc_" + number +
                         "\"><tt:Name>vsc_" + number + "</tt:Name><tt:UseCount>2</tt:UseCount>"
                         "<tt:SourceToken>source_" + number +
                         "</tt:SourceToken><tt:Bounds x=\"0\" y=\"0\" width=\"" +
                         QByteArray::number(device.mainStreamSize.width) + "\" height=\"" +
                         QByteArray::number(device.mainStreamSize.height) +
                         "\"/></tt:VideoSourceConfiguration><tt:VideoEncoderConfiguration token=\"vec_" + token +
                         "\"><tt:Name>vec_" + token + "</tt:Name><tt:UseCount>1</tt:UseCount>"
                         "<tt:Encoding>H264</tt:Encoding><tt:Resolution><tt:Width>" +
                         QByteArray::number(size.width) + "</tt:Width><tt:Height>" + QByteArray::number(size.height) +
                         "</tt:Height></tt:Resolution><tt:Quality>5</tt:Quality><tt:RateControl>"
                         "<tt:FrameRateLimit>25</tt:FrameRateLimit><tt:EncodingInterval>1</tt:EncodingInterval>"
                         "<tt:BitrateLimit>2048</tt:BitrateLimit></tt:RateControl><tt:H264><tt:GovLength>50"
                         "</tt:GovLength><tt:H264Profile>Main</tt:H264Profile></tt:H264><tt:Multicast>"
                         "<tt:Address><tt:Type>IPv4</tt:Type><tt:IPv4Address>0.0.0.0</tt:IPv4Address></tt:Address>"
                         "<tt:Port>0</tt:Port><tt:TTL>0</tt:TTL><tt:AutoStart>false</tt:AutoStart></tt:Multicast>"
                         "<tt:SessionTimeout>PT60S</tt:SessionTimeout></tt:VideoEncoderConfiguration>";
    if (device.onvif.ptz)
        profile += "<tt:PTZConfiguration token=\"ptz_" + number + "\"><tt:Name>ptz_" + number +
                   "</tt:Name><tt:UseCount>2</tt:UseCount><tt:NodeToken>node_" + number +
                   "</tt:NodeToken></tt:PTZConfiguration>";
    return profile + "</trt:Profiles>";
}

// The channel (1-based) a profile token names, 0 for none.
int ChannelOfProfile(const QString& token, const SimulatedDevice& device) {
    for (const char* prefix : {"main_", "sub_"}) {
        if (!token.startsWith(QLatin1String(prefix))) continue;
        bool ok = false;
        const int channel = token.mid(static_cast<qsizetype>(std::strlen(prefix))).toInt(&ok);
        if (ok && channel >= 1 && channel <= device.channels) return channel;
    }
    return 0;
}

struct Served {
    QByteArray body;
    const char* outcome = "ok";
};

Served DeviceInformation(const SimulatedDevice& device) {
    return {"<tds:GetDeviceInformationResponse><tds:Manufacturer>" + Escaped(device.onvif.manufacturer) +
            "</tds:Manufacturer><tds:Model>" + Escaped(device.onvif.model) + "</tds:Model><tds:FirmwareVersion>" +
            QByteArray::number(device.firmware.major) + "." + QByteArray::number(device.firmware.minor) +
            "</tds:FirmwareVersion><tds:SerialNumber>" + Escaped(device.name) +
            "</tds:SerialNumber><tds:HardwareId>devsim</tds:HardwareId></tds:GetDeviceInformationResponse>"};
}

Served Capabilities(const SimulatedDevice& device) {
    QByteArray body = "<tds:GetCapabilitiesResponse><tds:Capabilities><tt:Device><tt:XAddr>" +
                      ServiceAddress(device, "device_service") +
                      "</tt:XAddr></tt:Device><tt:Media><tt:XAddr>" + ServiceAddress(device, "media_service") +
                      "</tt:XAddr><tt:StreamingCapabilities><tt:RTPMulticast>false</tt:RTPMulticast>"
                      "<tt:RTP_TCP>true</tt:RTP_TCP><tt:RTP_RTSP_TCP>true</tt:RTP_RTSP_TCP>"
                      "</tt:StreamingCapabilities></tt:Media>";
    if (device.onvif.imaging)
        body += "<tt:Imaging><tt:XAddr>" + ServiceAddress(device, "imaging_service") + "</tt:XAddr></tt:Imaging>";
    if (device.onvif.ptz)
        body += "<tt:PTZ><tt:XAddr>" + ServiceAddress(device, "ptz_service") + "</tt:XAddr></tt:PTZ>";
    return {body + "</tds:Capabilities></tds:GetCapabilitiesResponse>"};
}

Served Services(const SimulatedDevice& device) {
    QByteArray body = "<tds:GetServicesResponse>";
    const auto service = [&](const char* space, const char* path) {
        body += QByteArray("<tds:Service><tds:Namespace>") + space + "</tds:Namespace><tds:XAddr>" +
                ServiceAddress(device, path) +
                "</tds:XAddr><tds:Version><tt:Major>2</tt:Major><tt:Minor>0</tt:Minor></tds:Version></tds:Service>";
    };
    service("http://www.onvif.org/ver10/device/wsdl", "device_service");
    service("http://www.onvif.org/ver10/media/wsdl", "media_service");
    if (device.onvif.ptz) service("http://www.onvif.org/ver20/ptz/wsdl", "ptz_service");
    if (device.onvif.imaging) service("http://www.onvif.org/ver20/imaging/wsdl", "imaging_service");
    return {body + "</tds:GetServicesResponse>"};
}

Served SystemDateAndTime(const SimulatedDevice& device) {
    const QDateTime now = CameraClock(device);
    const auto part = [](int value) { return QByteArray::number(value); };
    return {"<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime><tt:DateTimeType>Manual</tt:DateTimeType>"
            "<tt:DaylightSavings>false</tt:DaylightSavings><tt:TimeZone><tt:TZ>UTC0</tt:TZ></tt:TimeZone>"
            "<tt:UTCDateTime><tt:Time><tt:Hour>" +
            part(now.time().hour()) + "</tt:Hour><tt:Minute>" + part(now.time().minute()) + "</tt:Minute><tt:Second>" +
            part(now.time().second()) + "</tt:Second></tt:Time><tt:Date><tt:Year>" + part(now.date().year()) +
            "</tt:Year><tt:Month>" + part(now.date().month()) + "</tt:Month><tt:Day>" + part(now.date().day()) +
            "</tt:Day></tt:Date></tt:UTCDateTime></tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>"};
}

Served Profiles(const SimulatedDevice& device) {
    QByteArray body = "<trt:GetProfilesResponse>";
    for (int channel = 1; channel <= device.channels; ++channel)
        body += Profile(device, channel, false) + Profile(device, channel, true);
    return {body + "</trt:GetProfilesResponse>"};
}

Served OneProfile(const SimulatedDevice& device, const XmlElement& call) {
    const QString token = call.childText(u"ProfileToken");
    const int channel = ChannelOfProfile(token, device);
    if (channel == 0) return {Fault("ter:InvalidArgVal", "No such profile"), "no-profile"};
    QByteArray profile = Profile(device, channel, token.startsWith(QLatin1String("sub_")));
    profile.replace("<trt:Profiles", "<trt:Profile").replace("</trt:Profiles>", "</trt:Profile>");
    return {"<trt:GetProfileResponse>" + profile + "</trt:GetProfileResponse>"};
}

Served VideoSources(const SimulatedDevice& device) {
    QByteArray body = "<trt:GetVideoSourcesResponse>";
    for (int channel = 1; channel <= device.channels; ++channel)
        body += "<trt:VideoSources token=\"source_" + QByteArray::number(channel) +
                "\"><tt:Framerate>25</tt:Framerate><tt:Resolution><tt:Width>" +
                QByteArray::number(device.mainStreamSize.width) + "</tt:Width><tt:Height>" +
                QByteArray::number(device.mainStreamSize.height) + "</tt:Height></tt:Resolution></trt:VideoSources>";
    return {body + "</trt:GetVideoSourcesResponse>"};
}

Served StreamUri(const SimulatedDevice& device, const XmlElement& call) {
    const QString token = call.childText(u"ProfileToken");
    const int channel = ChannelOfProfile(token, device);
    if (channel == 0) return {Fault("ter:InvalidArgVal", "No such profile"), "no-profile"};
    const std::string& pattern =
        token.startsWith(QLatin1String("sub_")) ? device.onvif.subStreamUrl : device.onvif.mainStreamUrl;
    return {"<trt:GetStreamUriResponse><trt:MediaUri><tt:Uri>" + Escaped(ChannelText(pattern, channel)) +
            "</tt:Uri><tt:InvalidAfterConnect>false</tt:InvalidAfterConnect><tt:InvalidAfterReboot>false"
            "</tt:InvalidAfterReboot><tt:Timeout>PT60S</tt:Timeout></trt:MediaUri></trt:GetStreamUriResponse>"};
}

Served Ptz(const SimulatedDevice& device, const QString& action, const XmlElement& call, EventLog& log) {
    if (!device.onvif.ptz) return {Fault("ter:ActionNotSupported", "No PTZ"), "no-ptz"};
    const QString token = call.childText(u"ProfileToken");
    if (ChannelOfProfile(token, device) == 0) return {Fault("ter:InvalidArgVal", "No such profile"), "no-profile"};
    LogLine line("onvif-ptz");
    line.add("device", device.name).add("call", action.toStdString()).add("profile", token.toStdString());
    if (action == QLatin1String("ContinuousMove")) {
        const XmlElement* panTilt = call.path({u"Velocity", u"PanTilt"});
        const XmlElement* zoom = call.path({u"Velocity", u"Zoom"});
        line.add("pan", panTilt ? panTilt->attribute(u"x").toStdString() : "0")
            .add("tilt", panTilt ? panTilt->attribute(u"y").toStdString() : "0")
            .add("zoom", zoom ? zoom->attribute(u"x").toStdString() : "0");
    } else {
        line.add("pantilt", call.childText(u"PanTilt").toStdString()).add("zoom", call.childText(u"Zoom").toStdString());
    }
    line.writeTo(log);
    return {"<tptz:" + action.toUtf8() + "Response/>"};
}

Served Imaging(const SimulatedDevice& device, const QString& action, const XmlElement& call, EventLog& log) {
    if (!device.onvif.imaging) return {Fault("ter:ActionNotSupported", "No imaging"), "no-imaging"};
    LogLine line("onvif-ptz");
    line.add("device", device.name).add("call", "Focus" + action.toStdString())
        .add("source", call.childText(u"VideoSourceToken").toStdString());
    if (const XmlElement* speed = call.path({u"Focus", u"Continuous", u"Speed"})) line.add("speed", speed->text.toStdString());
    line.writeTo(log);
    return {"<timg:" + action.toUtf8() + "Response/>"};
}

Served Dispatch(const SimulatedDevice& device, const QString& action, const XmlElement& call, EventLog& log) {
    if (action == QLatin1String("GetDeviceInformation")) return DeviceInformation(device);
    if (action == QLatin1String("GetCapabilities")) return Capabilities(device);
    if (action == QLatin1String("GetServices")) return Services(device);
    if (action == QLatin1String("GetProfiles")) return Profiles(device);
    if (action == QLatin1String("GetProfile")) return OneProfile(device, call);
    if (action == QLatin1String("GetVideoSources")) return VideoSources(device);
    if (action == QLatin1String("GetStreamUri")) return StreamUri(device, call);
    if (action == QLatin1String("ContinuousMove") || action == QLatin1String("Stop")) {
        // The PTZ and the imaging services both have a Stop; the imaging one names a video source.
        if (call.child(u"VideoSourceToken")) return Imaging(device, action, call, log);
        return Ptz(device, action, call, log);
    }
    if (action == QLatin1String("Move")) return Imaging(device, action, call, log);
    return {Fault("ter:ActionNotSupported", "Not supported by devsim"), "unsupported"};
}

// The answer to one SOAP request, as HTTP status and envelope.
struct OnvifHttpAnswer {
    int status = 200;
    QByteArray envelope;
};

OnvifHttpAnswer AnswerOnvifRequest(const QByteArray& request, const SimulatedDevice& device, EventLog& log) {
    const auto document = ParseXmlTree(request);
    const XmlElement* body = document ? document->child(u"Body") : nullptr;
    const XmlElement* call = body && !body->children.empty() ? &body->children.front() : nullptr;
    LogLine line("onvif");
    line.add("device", device.name);
    if (!call) {
        line.add("call", "-").add("outcome", "bad-request").writeTo(log);
        return {400, SoapEnvelope({}, Fault("ter:InvalidArgs", "Not a SOAP request"))};
    }
    const QString action = call->name;
    line.add("call", action.toStdString());
    // The time is open to everyone: clients read it to set their token's clock.
    Served served;
    if (action == QLatin1String("GetSystemDateAndTime")) {
        served = SystemDateAndTime(device);
    } else if (!Authorized(*document, device)) {
        line.add("outcome", "not-authorized").writeTo(log);
        return {400, SoapEnvelope({}, Fault("ter:NotAuthorized", "Sender not Authorized"))};
    } else {
        served = Dispatch(device, action, *call, log);
    }
    line.add("outcome", served.outcome).writeTo(log);
    const bool fault = served.body.startsWith("<s:Fault>");
    return {fault ? 400 : 200, SoapEnvelope({}, served.body)};
}

}  // namespace

void ServeOnvifConnection(TcpSocket& socket, std::stop_token stop, const SimulatedDevice& device,
                          const DevsimConfig& config, EventLog& log) {
    QByteArray received;
    const TcpSocket::Milliseconds idle = std::min(kOnvifIdle, config.idleTimeout);
    bool closed = false;
    while (!stop.stop_requested()) {
        const HttpRead read = ReadHttpMessage(received, HttpMessageKind::Request, closed, kMaxRequestBytes);
        if (read.state == HttpReadState::Malformed || read.state == HttpReadState::TooLarge) {
            LogLine("onvif").add("device", device.name).add("outcome", "bad-http").writeTo(log);
            const QByteArray refusal = "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            socket.sendAll(refusal.constData(), static_cast<std::size_t>(refusal.size()), kOnvifIdle);
            return;
        }
        if (read.state == HttpReadState::Complete) {
            received.remove(0, static_cast<qsizetype>(read.consumed));
            const OnvifHttpAnswer answer = AnswerOnvifRequest(read.body, device, log);
            const bool keepOpen = read.head.field("Connection").toLower() != "close";
            const QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) +
                                    (answer.status == 200 ? " OK" : " Bad Request") +
                                    "\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
                                    QByteArray::number(answer.envelope.size()) +
                                    (keepOpen ? "\r\n\r\n" : "\r\nConnection: close\r\n\r\n");
            const QByteArray whole = head + answer.envelope;
            if (socket.sendAll(whole.constData(), static_cast<std::size_t>(whole.size()), kOnvifIdle) !=
                    TcpSocket::Status::Ok ||
                !keepOpen)
                return;
            continue;
        }
        if (closed) return;
        char buffer[8192];
        std::size_t got = 0;
        switch (socket.receiveSome(buffer, sizeof buffer, &got, idle)) {
            case TcpSocket::Status::Ok:
                received.append(buffer, static_cast<qsizetype>(got));
                break;
            case TcpSocket::Status::Closed:
                closed = true;
                break;
            case TcpSocket::Status::TimedOut:
            case TcpSocket::Status::Failed:
                return;
        }
    }
}

}  // namespace strovik::devsim
