#pragma once

#include <QString>

namespace strovik {

class DeviceTree;

inline constexpr char kDeviceListFileName[] = "StrovikList.ini";

struct DeviceListLoad {
    int devicesAdded = 0;
    int autoSearchDevices = 0;  // added devices whose "AutoSearch" is above 0
    QString error;              // why the file could not be read; empty when it was (or is missing)
};

// Appends the devices of the device list file to the tree, skipping names that already exist.
DeviceListLoad LoadDeviceList(const QString& path, DeviceTree& tree);

// Makes the file mirror the tree's device nodes: sections of devices no longer in the tree are
// erased, the others keep their place and key order. Written through a temporary file, so a crash
// never leaves half a list. False with *error set when the file cannot be written.
bool SaveDeviceList(const QString& path, const DeviceTree& tree, QString* error = nullptr);

}  // namespace strovik
