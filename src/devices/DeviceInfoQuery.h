#pragma once

#include "devices/LoginState.h"

#include <QString>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace strovik {

class DeviceTree;
class TcpClientLibrary;

// The device-information exchange on a command connection: a request carrying the login's
// credentials, answered with the firmware version and the channels whose recordings the user may
// search.
inline constexpr std::int32_t kDeviceInfoCode = 114;
inline constexpr std::size_t kDeviceInfoRequestBytes = 268;
inline constexpr std::size_t kDeviceInfoReplyBytes = 48;  // what is read of the reply
// After closing a command connection the device is given this long before the next one.
inline constexpr std::chrono::milliseconds kReconnectPause{100};

using DeviceInfoRequestBytes = std::array<std::uint8_t, kDeviceInfoRequestBytes>;
// code 114, user name and password in 128-byte zero-terminated fields, 8 zero bytes.
DeviceInfoRequestBytes EncodeDeviceInfoRequest(const QString& userName, const QString& password);

struct DeviceInfoReply {
    DeviceVersion version;
    std::array<std::uint8_t, 36> channelRights{};
};
// nullopt unless the message has code 114 and at least the 48 bytes that are read.
std::optional<DeviceInfoReply> DecodeDeviceInfoReply(const std::uint8_t* data, std::size_t length);

// Disconnects an open searchConnection, sets it to 0 and pauses kReconnectPause.
void CloseSearchConnection(TcpClientLibrary& library, LoginState& state);

// Clears currentVersion and currentChannelRights and sends the device-information request to the
// current device over a new searchConnection; the reply arrives through the library's custom
// receive callback (ApplyDeviceInfoReply). Failures are silent: the version then stays zero.
// Blocks while the library connects (up to its connect and answer timeouts).
void QueryDeviceInfo(TcpClientLibrary& library, LoginState& state);

// QueryDeviceInfo in halves, for callers that open the connection off the GUI thread:
// BeginDeviceInfoQuery closes the previous searchConnection and clears the version and rights;
// FinishDeviceInfoQuery takes the connection that NV_ConnectTCPServer to the current device's
// port + 2000 gave (0: none) as the searchConnection and sends the request on it.
void BeginDeviceInfoQuery(TcpClientLibrary& library, LoginState& state);
void FinishDeviceInfoQuery(TcpClientLibrary& library, LoginState& state, std::int32_t connection);

// What a single-channel device is taken to report instead of being asked: firmware 9.7 and search
// rights on channels 1 and 2 (the other bytes keep their values).
void SetSingleChannelDeviceInfo(LoginState& state);

// A message of code 114 on the command connection: a whole reply makes its version and rights
// current and keeps them on the first device whose address equals currentAddress (blanks trimmed);
// a shorter one is dropped. Either way searchConnection is closed. False, and nothing done, for a
// message of any other code.
bool HandleDeviceInfoMessage(TcpClientLibrary& library, LoginState& state, DeviceTree& tree, const std::uint8_t* data,
                             std::size_t length);

}  // namespace strovik
