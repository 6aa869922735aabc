#include "admin/DiscoveredCamera.h"

#include "devicelibs/DiscoveryLibrary.h"
#include "devices/DeviceNode.h"

namespace strovik {

DiscoveredCamera CopyDiscoveredCamera(const IpcSearchRecord& record) {
    DiscoveredCamera camera;
    camera.deviceId = record.deviceId;
    camera.ipText = record.ipText.toQString();
    camera.maskText = record.maskText.toQString();
    camera.videoPort = record.videoPort;
    camera.macText = record.macText.toQString();
    camera.userText = record.userText.toQString();
    camera.passwordText = record.passwordText.toQString();
    return camera;
}

std::uint16_t CameraVideoPort(std::int32_t videoPort) {
    if (videoPort <= 0 || videoPort > 65535) return kDefaultDevicePort;
    return static_cast<std::uint16_t>(videoPort);
}

}  // namespace strovik
