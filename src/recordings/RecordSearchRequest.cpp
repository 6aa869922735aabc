#include "recordings/RecordSearchRequest.h"

#include "devicelibs/wire/FileTime.h"
#include "recordings/SearchRules.h"

#include <utility>

namespace strovik {

namespace {

std::uint64_t fileTimeOf(const QDate& date, const QTime& time) {
    const LocalDateTime local{date.year(),   date.month(),  date.day(), time.hour(),
                              time.minute(), time.second(), 0};
    // A date the picker cannot produce (before 1601) asks for the earliest time.
    return ToFileTime(local).value_or(0);
}

QTime wholeSeconds(const QTime& time) {
    return time.isValid() ? QTime(time.hour(), time.minute(), time.second()) : QTime(0, 0, 0);
}

}  // namespace

SearchRequest MakeSearchRequest(const SearchInputs& inputs, const DeviceVersion& version,
                                const QString& userName) {
    QTime from = wholeSeconds(inputs.from);
    QTime to = wholeSeconds(inputs.to);
    if (from > to) std::swap(from, to);
    const bool newFirmware = IsNewFirmware(version);
    const QByteArray user = userName.toUtf8();
    return BuildSearchRequest(fileTimeOf(inputs.date, from), fileTimeOf(inputs.date, to),
                              static_cast<std::uint8_t>(inputs.channelIndex + 1),
                              static_cast<std::uint8_t>(inputs.typeIndex),
                              newFirmware ? SearchRequestStyle::NewFirmware : SearchRequestStyle::OldFirmware,
                              std::string_view(user.constData(), static_cast<std::size_t>(user.size())));
}

}  // namespace strovik
