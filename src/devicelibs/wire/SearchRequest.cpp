#include "devicelibs/wire/SearchRequest.h"

namespace strovik {

SearchRequest BuildSearchRequest(std::uint64_t startTime, std::uint64_t endTime, std::uint8_t channel,
                                 std::uint8_t recordType, SearchRequestStyle style,
                                 std::string_view userName) {
    SearchRequest request{};
    request.startTime = startTime;
    request.endTime = endTime;
    request.channel = channel;
    request.recordType = recordType;
    if (style == SearchRequestStyle::NewFirmware) {
        request.recordType = static_cast<std::uint8_t>(recordType + RecordType::NewFirmwareOffset);
        request.userName = userName;
    }
    return request;
}

std::optional<SearchQuery> ParseSearchRequest(const std::uint8_t* data, std::size_t length) {
    if (length != sizeof(SearchRequest)) return std::nullopt;
    const auto request = ReadRecord<SearchRequest>(data, length);
    if (!request || request->command != kSearchRequestCode) return std::nullopt;
    SearchQuery query;
    query.startTime = request->startTime;
    query.endTime = request->endTime;
    query.channel = request->channel;
    query.recordType = request->recordType;
    if (request->recordType >= RecordType::NewFirmwareOffset) {
        query.style = SearchRequestStyle::NewFirmware;
        query.recordType = static_cast<std::uint8_t>(request->recordType - RecordType::NewFirmwareOffset);
        query.userName = request->userName.str();
    }
    return query;
}

}  // namespace strovik
