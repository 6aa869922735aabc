#pragma once

#include "devices/DeviceNode.h"

#include <QString>

#include <array>
#include <cstdint>

namespace strovik {

// The current-device part of the main window's state: what the last verification and login left
// behind, read by channel opening, record search and PTZ. Main thread only.
struct LoginState {
    QString currentAddress;
    std::uint32_t currentPort = kDefaultDevicePort;
    // Credentials of the last login through the login page; a verification never changes them.
    QString loginUserName;
    QString loginPassword;
    std::int32_t loginChannelCount = 0;
    std::uint8_t loginServerType = 2;
    std::int32_t currentRights = -1;  // -1: none
    bool loginByVendorDomain = false;
    DeviceVersion currentVersion;
    std::array<std::uint8_t, 36> currentChannelRights{};
    std::int32_t searchConnection = 0;  // command connection of the device TCP client library; 0: none
};

}  // namespace strovik
