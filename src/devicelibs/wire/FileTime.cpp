#include "devicelibs/wire/FileTime.h"

#include <limits>

namespace strovik {

namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

bool IsLeapYear(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(std::int64_t year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days since 1601-01-01 of a proleptic Gregorian date (the civil-calendar algorithm, counted in
// 400-year eras so that it needs no tables); valid for the years a FILETIME spans.
std::int64_t DaysSince1601(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = year / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    constexpr std::int64_t daysFrom0000To1601 = 584'694;  // 0000-03-01 to 1601-01-01
    return era * 146'097 + dayOfEra - daysFrom0000To1601;
}

}  // namespace

std::optional<std::uint64_t> ToFileTime(const LocalDateTime& time) {
    if (time.year < 1601 || time.year > 30828 || time.month < 1 || time.month > 12 || time.day < 1 ||
        time.day > DaysInMonth(time.year, time.month) || time.hour < 0 || time.hour > 23 || time.minute < 0 ||
        time.minute > 59 || time.second < 0 || time.second > 59 || time.millisecond < 0 ||
        time.millisecond > 999)
        return std::nullopt;
    const std::int64_t milliseconds =
        DaysSince1601(time.year, time.month, time.day) * kMillisecondsPerDay +
        ((time.hour * 60 + time.minute) * 60 + time.second) * std::int64_t{1000} + time.millisecond;
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max() / kFileTimeTicksPerMillisecond;
    if (milliseconds > limit) return std::nullopt;
    return static_cast<std::uint64_t>(milliseconds) * kFileTimeTicksPerMillisecond;
}

std::optional<LocalDateTime> FromFileTime(std::uint64_t fileTime) {
    if (fileTime > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
    const auto milliseconds = static_cast<std::int64_t>(fileTime / kFileTimeTicksPerMillisecond);
    std::int64_t days = milliseconds / kMillisecondsPerDay;
    std::int64_t rest = milliseconds % kMillisecondsPerDay;

    LocalDateTime time;
    time.millisecond = static_cast<int>(rest % 1000);
    rest /= 1000;
    time.second = static_cast<int>(rest % 60);
    rest /= 60;
    time.minute = static_cast<int>(rest % 60);
    time.hour = static_cast<int>(rest / 60);

    // Whole 400-year cycles first (146097 days each), then walk years and months.
    std::int64_t year = 1601 + days / 146'097 * 400;
    days %= 146'097;
    while (days >= (IsLeapYear(year) ? 366 : 365)) days -= IsLeapYear(year++) ? 366 : 365;
    int month = 1;
    while (days >= DaysInMonth(year, month)) days -= DaysInMonth(year, month++);
    time.year = static_cast<int>(year);
    time.month = month;
    time.day = static_cast<int>(days) + 1;
    return time;
}

}  // namespace strovik
