#pragma once

#include "admin/LanCameraList.h"

#include <vector>

namespace strovik {

class DeviceTree;

// OK of the LAN search page: every row, checked or not, refreshes the device its ID names (the ID
// alone or with the DDNS domain); a checked row whose ID names no device adds a network camera
// with one channel. Returns how many devices were added.
int ApplyLanRows(DeviceTree& tree, const std::vector<LanCameraRow>& rows);

// The device a camera's numeric ID names: the ID, or the ID with the DDNS domain; empty when none.
QString DeviceNameForCamera(const DeviceTree& tree, const QString& deviceId);

}  // namespace strovik
