#pragma once

#include "devicelibs/cameras/NetworkCameras.h"

#include <QString>

namespace strovik {

class IniFile;

// The keys of a device list section that say how a camera of another make is reached. They come
// beside the tabled keys, whose meaning they leave alone; a section without them is a device of
// our own protocol, so files written by older versions load unchanged (docs/rtsp-cameras.md).
//   Protocol      = onvif | rtsp   (anything else, or missing: our own protocol)
//   RtspMain      = the main stream's RTSP address (rtsp only; credentials are taken out)
//   RtspSub       = the sub stream's RTSP address (rtsp only; empty: the main stream)
//   RtspTransport = tcp | udp      (default tcp)
inline constexpr char kProtocolKey[] = "Protocol";
inline constexpr char kRtspMainKey[] = "RtspMain";
inline constexpr char kRtspSubKey[] = "RtspSub";
inline constexpr char kRtspTransportKey[] = "RtspTransport";

NetworkCamera ReadCameraKeys(const IniFile& ini, const QString& section);

// Writes the keys of a camera of another make. For a device of our own protocol it writes nothing
// new; keys a section already has are emptied, so that it reads back as our own protocol.
void WriteCameraKeys(IniFile& ini, const QString& section, const NetworkCamera& camera);

// The value of the Protocol key, and back (Native: empty).
CameraProtocol ParseCameraProtocol(const QString& text);
QString CameraProtocolName(CameraProtocol protocol);

}  // namespace strovik
