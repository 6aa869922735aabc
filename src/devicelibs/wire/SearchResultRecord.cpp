#include "devicelibs/wire/SearchResultRecord.h"

namespace strovik {

std::vector<std::uint8_t> SearchResultMessage(const SearchResultRecord& record) {
    std::vector<std::uint8_t> message(kSearchResultMessageBytes);
    std::memcpy(message.data(), &kSearchResultCode, 4);
    std::memcpy(message.data() + 4, &record, sizeof record);
    return message;
}

std::optional<SearchResultRecord> ParseSearchResultMessage(const std::uint8_t* data, std::size_t length) {
    if (length != kSearchResultMessageBytes || MessageCode(data, length) != kSearchResultCode)
        return std::nullopt;
    return ReadRecord<SearchResultRecord>(data + 4, length - 4);
}

std::vector<std::uint8_t> SearchFinishedMessage(std::int32_t resultCount) {
    const std::int32_t fields[] = {kSearchFinishedCode, resultCount};
    return RecordBytes(fields);
}

std::optional<std::int32_t> ParseSearchFinishedMessage(const std::uint8_t* data, std::size_t length) {
    if (length != 8 || MessageCode(data, length) != kSearchFinishedCode) return std::nullopt;
    return ReadRecord<std::int32_t>(data + 4, length - 4);
}

}  // namespace strovik
