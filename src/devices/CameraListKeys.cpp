#include "devices/CameraListKeys.h"

#include "devicelibs/cameras/RtspAddress.h"
#include "platform/IniFile.h"

namespace strovik {

namespace {

const QString kProtocol = QLatin1String(kProtocolKey);
const QString kRtspMain = QLatin1String(kRtspMainKey);
const QString kRtspSub = QLatin1String(kRtspSubKey);
const QString kRtspTransport = QLatin1String(kRtspTransportKey);

std::string readAddress(const IniFile& ini, const QString& section, const QString& key) {
    // A hand-edited address with a password in it loses the password: the record's Pwd is the one
    // place for it.
    return WithoutCredentials(ini.readString(section, key, QString()).toStdString());
}

// Writes key only where it is wanted or already there, so that sections of our own devices keep
// exactly the keys they had.
void writeIfUsed(IniFile& ini, const QString& section, const QString& key, const QString& value) {
    if (!value.isEmpty() || ini.value(section, key)) ini.writeString(section, key, value);
}

}  // namespace

CameraProtocol ParseCameraProtocol(const QString& text) {
    const QString name = text.trimmed().toLower();
    if (name == QLatin1String("onvif")) return CameraProtocol::Onvif;
    if (name == QLatin1String("rtsp")) return CameraProtocol::Rtsp;
    return CameraProtocol::Native;
}

QString CameraProtocolName(CameraProtocol protocol) {
    switch (protocol) {
        case CameraProtocol::Onvif:
            return QStringLiteral("onvif");
        case CameraProtocol::Rtsp:
            return QStringLiteral("rtsp");
        case CameraProtocol::Native:
            break;
    }
    return {};
}

NetworkCamera ReadCameraKeys(const IniFile& ini, const QString& section) {
    NetworkCamera camera;
    camera.protocol = ParseCameraProtocol(ini.readString(section, kProtocol, QString()));
    if (camera.protocol == CameraProtocol::Native) return camera;
    camera.rtspOverUdp = ini.readString(section, kRtspTransport, QString()).trimmed().toLower() == QLatin1String("udp");
    if (camera.protocol == CameraProtocol::Rtsp) {
        CameraStreams streams{readAddress(ini, section, kRtspMain), readAddress(ini, section, kRtspSub)};
        if (!streams.mainUrl.empty()) camera.channels.push_back(std::move(streams));
    }
    return camera;
}

void WriteCameraKeys(IniFile& ini, const QString& section, const NetworkCamera& camera) {
    const bool rtsp = camera.protocol == CameraProtocol::Rtsp;
    const CameraStreams none;
    const CameraStreams& streams = rtsp && !camera.channels.empty() ? camera.channels.front() : none;
    writeIfUsed(ini, section, kProtocol, CameraProtocolName(camera.protocol));
    writeIfUsed(ini, section, kRtspMain, QString::fromStdString(streams.mainUrl));
    writeIfUsed(ini, section, kRtspSub, QString::fromStdString(streams.subUrl));
    writeIfUsed(ini, section, kRtspTransport,
                camera.protocol == CameraProtocol::Native ? QString()
                : camera.rtspOverUdp                      ? QStringLiteral("udp")
                                                          : QStringLiteral("tcp"));
}

}  // namespace strovik
