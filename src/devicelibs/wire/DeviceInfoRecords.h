#pragma once

#include "devicelibs/FixedText.h"
#include "devicelibs/wire/WireRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace strovik {

inline constexpr std::int32_t kDeviceInfoCode = 114;

// Asks a device for its firmware version and the channels the user may search; sent by the client
// on a command connection.
#pragma pack(push, 1)
struct DeviceInfoRequest {
    std::int32_t command = kDeviceInfoCode;
    FixedText<128> userName;
    FixedText<128> password;
    std::array<std::uint8_t, 8> reserved{};
};
#pragma pack(pop)
static_assert(offsetof(DeviceInfoRequest, userName) == 4);
static_assert(offsetof(DeviceInfoRequest, password) == 132);
static_assert(sizeof(DeviceInfoRequest) == 268);

DeviceInfoRequest BuildDeviceInfoRequest(std::string_view userName, std::string_view password);
// nullopt unless the message is exactly one request (268 bytes, code 114).
std::optional<DeviceInfoRequest> ParseDeviceInfoRequest(const std::uint8_t* data, std::size_t length);

// A firmware version as devices report it. "New" firmware for the record search is major >= 9 and
// minor >= 7, each tested on its own.
#pragma pack(push, 1)
struct FirmwareVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::array<std::uint8_t, 4> extra{};  // carried along, not interpreted
};
#pragma pack(pop)
static_assert(sizeof(FirmwareVersion) == 8);

inline constexpr std::size_t kChannelRightsBytes = 36;

// The device's answer to a DeviceInfoRequest. Clients read its first 48 bytes; a device may send more.
#pragma pack(push, 1)
struct DeviceInfoReply {
    std::int32_t code = kDeviceInfoCode;
    FirmwareVersion version;
    std::array<std::uint8_t, kChannelRightsBytes>
        channelRights{};  // [0-based channel]: non-zero = may search
};
#pragma pack(pop)
static_assert(offsetof(DeviceInfoReply, version) == 4);
static_assert(offsetof(DeviceInfoReply, channelRights) == 12);
static_assert(sizeof(DeviceInfoReply) == 48);

// nullopt unless the message has code 114 and at least 48 bytes: a shorter reply is refused rather
// than read beyond its end.
std::optional<DeviceInfoReply> ParseDeviceInfoReply(const std::uint8_t* data, std::size_t length);

}  // namespace strovik
