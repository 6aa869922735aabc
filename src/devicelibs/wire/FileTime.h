#pragma once

#include <cstdint>
#include <optional>

namespace strovik {

// A broken-down local date and time, as the record search and its results carry it.
struct LocalDateTime {
    int year = 1601;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// Devices count time in FILETIME units: 100 ns since 1601-01-01 00:00:00. The records carry the
// device's local time in that encoding, so these conversions apply no time-zone shift at all.
inline constexpr std::uint64_t kFileTimeTicksPerMillisecond = 10'000;

// nullopt for a field out of range (month 13, February 30, hour 24, ...) or a date before 1601 or
// beyond what a signed 64-bit FILETIME holds.
std::optional<std::uint64_t> ToFileTime(const LocalDateTime& time);

// Ticks below a millisecond are dropped. nullopt above INT64_MAX, which no valid FILETIME exceeds.
std::optional<LocalDateTime> FromFileTime(std::uint64_t fileTime);

}  // namespace strovik
