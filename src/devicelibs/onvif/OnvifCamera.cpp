#include "devicelibs/onvif/OnvifCamera.h"

#include "devicelibs/onvif/UsernameToken.h"

#include <QUrl>

#include <algorithm>

namespace strovik {

namespace {

QByteArray Escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

QByteArray Number(double value) {
    return QByteArray::number(std::clamp(value, -1.0, 1.0), 'f', 3);
}

QByteArray Flag(bool value) {
    return value ? "true" : "false";
}

template <class Value, class Parse>
OnvifResult<Value> Read(const SoapReply& reply, Parse parse) {
    OnvifResult<Value> result;
    result.outcome = reply.outcome;
    if (reply.outcome != SoapOutcome::Answered || !reply.body) return result;
    result.value = parse(*reply.body);
    if (!result.value) result.outcome = SoapOutcome::Malformed;
    return result;
}

// Calls whose answer carries nothing: any non-fault answer will do.
OnvifResult<bool> Done(const SoapReply& reply) {
    return Read<bool>(reply, [](const XmlElement&) { return std::optional<bool>(true); });
}

}  // namespace

QString ServicePath(const QString& serviceAddress) {
    const QUrl url(serviceAddress.trimmed(), QUrl::StrictMode);
    QString path = url.isValid() ? url.path(QUrl::FullyEncoded) : QString();
    if (!path.startsWith(QLatin1Char('/'))) return QStringLiteral("/onvif/device_service");
    if (url.hasQuery()) path += QLatin1Char('?') + url.query(QUrl::FullyEncoded);
    return path;
}

std::optional<QString> CleanStreamUri(const QString& uri) {
    QUrl url(uri.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().compare(QLatin1String("rtsp"), Qt::CaseInsensitive) != 0 ||
        url.host().isEmpty())
        return std::nullopt;
    url.setUserInfo(QString());
    return url.toString(QUrl::FullyEncoded);
}

OnvifCamera::OnvifCamera(QString host, std::uint16_t port, QString userName, QString password, SoapLimits limits)
    : host_(std::move(host)),
      port_(port),
      userName_(std::move(userName)),
      password_(std::move(password)),
      limits_(limits) {}

OnvifCamera OnvifCamera::bounded(QDeadlineTimer overall) const {
    SoapLimits limits = limits_;
    limits.overall = overall;
    return OnvifCamera(host_, port_, userName_, password_, limits).withClockOffset(clockOffset_);
}

OnvifCamera OnvifCamera::withClockOffset(std::chrono::seconds offset) const {
    OnvifCamera shifted(host_, port_, userName_, password_, limits_);
    shifted.clockOffset_ = offset;
    return shifted;
}

OnvifResult<QDateTime> OnvifCamera::systemDateAndTime() const {
    const SoapReply reply = CallSoap(SoapEndpoint{host_, port_, ServicePath(QString())},
                                     SoapEnvelope({}, "<tds:GetSystemDateAndTime/>"), limits_);
    return Read<QDateTime>(reply, ParseSystemDateAndTime);
}

SoapReply OnvifCamera::call(const QString& serviceAddress, const QByteArray& bodyContent) const {
    const QByteArray security = UsernameToken::make(userName_, password_, clockOffset_).securityHeader();
    return CallSoap(SoapEndpoint{host_, port_, ServicePath(serviceAddress)}, SoapEnvelope(security, bodyContent),
                    limits_);
}

OnvifResult<OnvifDeviceInformation> OnvifCamera::deviceInformation() const {
    return Read<OnvifDeviceInformation>(call(QString(), "<tds:GetDeviceInformation/>"), ParseDeviceInformation);
}

OnvifResult<OnvifServiceAddresses> OnvifCamera::serviceAddresses() const {
    return Read<OnvifServiceAddresses>(
        call(QString(), "<tds:GetCapabilities><tds:Category>All</tds:Category></tds:GetCapabilities>"),
        ParseCapabilities);
}

OnvifResult<std::vector<OnvifProfile>> OnvifCamera::profiles(const QString& mediaAddress) const {
    return Read<std::vector<OnvifProfile>>(call(mediaAddress, "<trt:GetProfiles/>"), ParseProfiles);
}

OnvifResult<QString> OnvifCamera::streamUri(const QString& mediaAddress, const QString& profileToken) const {
    return Read<QString>(call(mediaAddress,
                              "<trt:GetStreamUri><trt:StreamSetup><tt:Stream>RTP-Unicast</tt:Stream>"
                              "<tt:Transport><tt:Protocol>RTSP</tt:Protocol></tt:Transport></trt:StreamSetup>"
                              "<trt:ProfileToken>" +
                                  Escaped(profileToken) + "</trt:ProfileToken></trt:GetStreamUri>"),
                         ParseStreamUri);
}

OnvifResult<bool> OnvifCamera::continuousMove(const QString& ptzAddress, const QString& profileToken,
                                              const PtzVelocity& velocity) const {
    return Done(call(ptzAddress, "<tptz:ContinuousMove><tptz:ProfileToken>" + Escaped(profileToken) +
                                     "</tptz:ProfileToken><tptz:Velocity><tt:PanTilt x=\"" + Number(velocity.pan) +
                                     "\" y=\"" + Number(velocity.tilt) + "\"/><tt:Zoom x=\"" +
                                     Number(velocity.zoom) + "\"/></tptz:Velocity></tptz:ContinuousMove>"));
}

OnvifResult<bool> OnvifCamera::stop(const QString& ptzAddress, const QString& profileToken, bool panTilt,
                                    bool zoom) const {
    return Done(call(ptzAddress, "<tptz:Stop><tptz:ProfileToken>" + Escaped(profileToken) +
                                     "</tptz:ProfileToken><tptz:PanTilt>" + Flag(panTilt) +
                                     "</tptz:PanTilt><tptz:Zoom>" + Flag(zoom) + "</tptz:Zoom></tptz:Stop>"));
}

OnvifResult<bool> OnvifCamera::focusMove(const QString& imagingAddress, const QString& videoSourceToken,
                                         double speed) const {
    return Done(call(imagingAddress, "<timg:Move><timg:VideoSourceToken>" + Escaped(videoSourceToken) +
                                         "</timg:VideoSourceToken><timg:Focus><tt:Continuous><tt:Speed>" +
                                         Number(speed) + "</tt:Speed></tt:Continuous></timg:Focus></timg:Move>"));
}

OnvifResult<bool> OnvifCamera::focusStop(const QString& imagingAddress, const QString& videoSourceToken) const {
    return Done(call(imagingAddress, "<timg:Stop><timg:VideoSourceToken>" + Escaped(videoSourceToken) +
                                         "</timg:VideoSourceToken></timg:Stop>"));
}

}  // namespace strovik
