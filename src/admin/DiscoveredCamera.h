#pragma once

#include <QString>

#include <cstdint>

namespace strovik {

struct IpcSearchRecord;

// One camera the discovery library reported, copied out of the library's record (which is valid
// during the callback only) so that it can travel to the GUI thread.
struct DiscoveredCamera {
    std::int32_t deviceId = 0;
    QString ipText;
    QString maskText;
    std::int32_t videoPort = 0;  // 0 when the camera gives none
    QString macText;
    QString userText;  // empty when none
    QString passwordText;
};

// Any thread. Every text is read only up to its field's width, whatever the record holds.
DiscoveredCamera CopyDiscoveredCamera(const IpcSearchRecord& record);

// The port a reported video port stands for: the factory port 5050 when the camera gives none or
// one outside 1 … 65535.
std::uint16_t CameraVideoPort(std::int32_t videoPort);

}  // namespace strovik
