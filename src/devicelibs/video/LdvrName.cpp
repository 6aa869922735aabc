#include "devicelibs/video/LdvrName.h"

#include <charconv>

namespace strovik {

namespace {

std::string Stamp(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyyMMddHHmmss")).toStdString();
}

// One "_"-terminated decimal field starting at *position; advances past its "_".
std::optional<std::int64_t> ReadField(std::string_view name, std::size_t* position) {
    if (*position >= name.size()) return std::nullopt;
    const std::string_view rest = name.substr(*position, kLdvrMaxFieldLength + 1);
    const std::size_t end = rest.find('_');
    if (end == std::string_view::npos || end == 0 || end > kLdvrMaxFieldLength) return std::nullopt;
    std::int64_t value = 0;
    const auto [stop, error] = std::from_chars(rest.data(), rest.data() + end, value);
    if (error != std::errc() || stop != rest.data() + end) return std::nullopt;
    *position += end + 1;
    return value;
}

}  // namespace

std::string LdvrRecordingName(const QDateTime& start, const QDateTime& end, int channelIndex, bool alarm) {
    return "LDVR_1_" + Stamp(start) + "_" + Stamp(end) + "_" + std::to_string(channelIndex) + "_" +
           (alarm ? "1" : "0") + "_.264";
}

std::optional<LdvrNameFields> ReadLdvrName(std::string_view name) {
    if (name.size() <= kLdvrFieldsPosition) return std::nullopt;
    LdvrNameFields fields;
    fields.startText = std::string(name.substr(kLdvrStartPosition, kLdvrStartLength));
    std::size_t position = kLdvrFieldsPosition;
    const auto first = ReadField(name, &position);
    const auto second = first ? ReadField(name, &position) : std::nullopt;
    if (!second) return std::nullopt;
    fields.firstField = *first;
    fields.secondField = *second;
    return fields;
}

}  // namespace strovik
