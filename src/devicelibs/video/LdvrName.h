#pragma once

#include <QDateTime>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace strovik {

// The names of frame-format recordings on a device. Positions count from 0:
//   0-6   "LDVR_1_"  (index 5 is already "1", which the record list writes there anyway)
//   7-20  start, yyyymmddhhnnss (local time)
//   21    "_"
//   22-35 end, yyyymmddhhnnss
//   36    "_"
//   37-   channel index (0-based, decimal) "_" alarm flag (0 or 1, decimal) "_" ".264"
// A download turns the start, the channel number and the alarm flag back into a local file name.
struct LdvrNameFields {
    std::string startText;         // the 14 characters at positions 7-20, as written
    std::int64_t firstField = 0;   // decimal digits from position 37 up to the next "_"
    std::int64_t secondField = 0;  // decimal digits after that "_" up to the next one
};

inline constexpr std::size_t kLdvrStartPosition = 7;
inline constexpr std::size_t kLdvrStartLength = 14;
inline constexpr std::size_t kLdvrFieldsPosition = 37;
inline constexpr std::size_t kLdvrMaxFieldLength = 16;

std::string LdvrRecordingName(const QDateTime& start, const QDateTime& end, int channelIndex, bool alarm);

// Reads a name laid out as above; nullopt when it is too short or a field is not a "_"-terminated
// decimal number of at most kLdvrMaxFieldLength characters.
std::optional<LdvrNameFields> ReadLdvrName(std::string_view name);

}  // namespace strovik
