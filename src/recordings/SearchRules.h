#pragma once

#include "devices/DeviceNode.h"
#include "devices/LoginState.h"

#include <QString>

#include <cstdint>

namespace strovik {

class StringTable;

// Who may search which recordings, and what the operator is told when a login for a search fails.

// Rights levels 58 and 50 permit record search (and the record file list).
bool MayListRecords(std::int32_t rights);

// Firmware that checks per-channel search rights and takes the user name with a search: major >= 9
// and minor >= 7, both tested on their own (so 10.5 is not new).
bool IsNewFirmware(const DeviceVersion& version);

enum class SearchGate {
    Search,         // the current rights and, for new firmware, the channel's rights allow it
    ChannelDenied,  // new firmware, and the user may not search this channel
    Login,          // the current rights do not permit search: log in to the device first
};
// channelIndex is 0-based. Only 36 channels carry search rights; a channel beyond them (or a
// negative index, no channel chosen) counts as denied rather than reading past the rights.
SearchGate CheckSearchGate(const LoginState& state, int channelIndex);

// The message for a login from the search button whose result is not a search right: the device
// name, a blank and the text for result (library errors with their code, else what was wrong
// with the user; any other result, 32 and above included, is "not verified").
QString SearchLoginFailureText(std::int32_t result, const QString& deviceName, const StringTable& strings);

// Message entries of the record search.
namespace SearchText {
inline constexpr int ManualType = 2;
inline constexpr int AutoType = 3;
inline constexpr int AlarmType = 4;
inline constexpr int ConnectFailed = 7;
inline constexpr int ChannelDenied = 18;
inline constexpr int DomainOffline = 4003;
}  // namespace SearchText

}  // namespace strovik
