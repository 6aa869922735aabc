#pragma once

#include "devicelibs/FixedText.h"
#include "devicelibs/cameras/NetworkCameras.h"

#include <array>
#include <cstdint>

namespace strovik {

// The part of a device's data that travels with each of its channels and to the video windows; it
// is always copied as a whole.
struct ConnectionInfo {
    FixedText<34> address;  // IP address, host or DDNS name, or device ID text
    std::uint16_t port = 0;
    std::uint16_t mobilePort = 0;
    std::uint16_t devicePort = 0;
    std::int32_t channelIndex = 0;  // 0-based on channels, 0 on devices
    std::uint8_t netType = 0;
    std::uint8_t serverType = 0;
    FixedText<34> relayAddress;
    std::int16_t relayPort = 0;
    FixedText<33> userName;
    FixedText<33> password;
    std::uint8_t deviceType = 0;  // DeviceType
    std::int32_t searchState = 0;  // only in the copy handed to the grid
    FixedText<34> deviceName;      // only in the copy handed to the grid
};

// A channel's stream endpoint, handed to the grid with the ConnectionInfo copy.
struct StreamTarget {
    FixedText<34> channelAddress;
    std::uint16_t streamPort = 0;
    std::uint16_t channelNo = 0;  // 1-based
};

// Firmware version reported in the device-information reply.
struct DeviceVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::array<std::uint8_t, 4> extra{};
};

namespace NodeKind {
inline constexpr std::uint8_t Device = 1;
inline constexpr std::uint8_t Channel = 2;
}  // namespace NodeKind

namespace DeviceType {
inline constexpr std::uint8_t CaptureCard = 0;
inline constexpr std::uint8_t Dvr = 1;
inline constexpr std::uint8_t NetworkCamera = 2;
}  // namespace DeviceType

namespace SearchState {
inline constexpr std::int32_t AddedByHand = 0;
inline constexpr std::int32_t AutoSearch = 1;
inline constexpr std::int32_t FoundOnLan = 2;
}  // namespace SearchState

// One device (kind 1) or one channel (kind 2). Value-initialised records are zero-filled, as every
// path that creates one expects.
struct DeviceNode {
    std::uint8_t kind = 0;
    std::int32_t parentId = 0;
    std::int32_t id = 0;
    std::int32_t listIndex = 0;
    FixedText<36, 33> name;
    ConnectionInfo connection;
    StreamTarget stream;
    std::uint8_t channelCount = 0;
    std::int8_t rights = 0;  // cached verification result: 32 and above means verified
    std::int32_t searchState = 0;
    DeviceVersion deviceVersion;
    std::array<std::uint8_t, 36> channelRights{};
    // Devices only: how a camera of another make is reached (the device list's extra keys). The
    // libraries learn it through the NetworkCameras directory, never through the channels.
    NetworkCamera camera;

    bool isDevice() const { return kind == NodeKind::Device; }
    bool isChannel() const { return kind == NodeKind::Channel; }
};

// The first port a device's channels stream from: 6789 for the factory port 5050, else the device
// port + 10000 in 16 bits (60000 gives 4464).
std::uint16_t ChannelStreamPort(std::uint16_t devicePort);

inline constexpr std::uint16_t kDefaultDevicePort = 5050;

}  // namespace strovik
