#pragma once

#include <QString>

#include <cstdint>

namespace strovik {

class StringTable;

// The status texts of channel openings, painted in the window concerned instead of message boxes.

// While a device is verified: entry 1202 followed by "...".
QString ConnectingText(const StringTable& strings);
// A login result below 32 for a channel of deviceName: the library's error text with its code, or
// the device name with what was wrong with the user.
QString ChannelLoginFailureText(std::int32_t result, const QString& deviceName, const StringTable& strings);

// Entries of the live view's texts.
namespace LiveText {
inline constexpr int Starting = 4200;
inline constexpr int Started = 4201;
inline constexpr int TooManyFailures = 4202;
inline constexpr int Connecting = 1202;
inline constexpr int FloatingCaption = 6000;
}  // namespace LiveText

}  // namespace strovik
