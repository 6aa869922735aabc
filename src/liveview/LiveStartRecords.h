#pragma once

#include "devicelibs/video/VideoClientLibrary.h"
#include "devices/DeviceNode.h"

#include <QString>

#include <chrono>
#include <cstdint>

namespace strovik {

class RenderTarget;

// The device address as the video client library takes it: a vendor-domain name unchanged (the
// library resolves it), anything else resolved to a dotted IPv4 address, or passed on as typed
// when it does not resolve. Blocks on the system resolver for a host name.
std::string PrepareLibraryAddress(const QString& address);

// The start record of a stream of connection, whose address was prepared already. The network
// type's tens (added by page openings) travel in their own byte.
ClientStartInfo FillClientStartInfo(const ConnectionInfo& connection, std::string preparedAddress,
                                    RenderTarget* window);
// Whether the stream goes through a relay: a relay address and a positive relay port.
bool UsesRelay(const ConnectionInfo& connection);
RelayInfo FillRelayInfo(const ConnectionInfo& connection, const std::string& preparedRelayAddress);

// Every library call of a window carries its stream's server type as a signed byte widened to
// 16 bits.
std::uint16_t LinkTypeOf(const ConnectionInfo& connection);

// Whether a window showing `shown` already shows `requested`: the same device name and, unless it
// is a network camera (whose channel index picks main or sub stream), the same channel.
bool ShowsSameStream(const ConnectionInfo& shown, const ConnectionInfo& requested);

// Whether connection is a network camera kept current by the LAN search: its windows share one
// main stream and otherwise show the sub stream.
bool IsAutoSearchedCamera(const ConnectionInfo& connection);

// The pause before a window retries a lost stream: 20 s for an auto-searched network camera, whose
// address the LAN search may have refreshed meanwhile, 35 s for anything else.
std::chrono::milliseconds ReconnectInterval(const ConnectionInfo& connection);
// Timer-driven retries after the first failed restart; then the window gives up.
inline constexpr int kMaxReconnectTries = 30;

// The status text of a start the library refused: its code in parentheses, e.g. "(-3)".
QString StartFailureText(std::int32_t code);

}  // namespace strovik
