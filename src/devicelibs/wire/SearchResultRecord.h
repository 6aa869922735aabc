#pragma once

#include "devicelibs/FixedText.h"
#include "devicelibs/wire/WireRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace strovik {

inline constexpr std::int32_t kSearchResultCode = 101;
// Our addition: after the last result of a search the device sends {int32 102, int32 result count}.
// Clients that do not know it ignore it like any other code.
inline constexpr std::int32_t kSearchFinishedCode = 102;

// One recording found by a search.
#pragma pack(push, 1)
struct SearchResultRecord {
    std::uint64_t startTime = 0;  // FILETIME of local time, as in the request
    std::uint64_t endTime = 0;
    std::int64_t fileSize = 0;    // bytes
    FixedText<260> fileName;      // the name on the device; the transfer asks for it by this name
    std::uint8_t channel = 0;     // 1-based
    std::uint8_t recordType = 0;  // RecordType: 1 manual, 2 auto, 3 alarm
    std::array<std::uint8_t, 2> unused{};
};
#pragma pack(pop)
static_assert(offsetof(SearchResultRecord, endTime) == 8);
static_assert(offsetof(SearchResultRecord, fileSize) == 16);
static_assert(offsetof(SearchResultRecord, fileName) == 24);
static_assert(offsetof(SearchResultRecord, channel) == 284);
static_assert(offsetof(SearchResultRecord, recordType) == 285);
static_assert(sizeof(SearchResultRecord) == 288);

inline constexpr std::size_t kSearchResultMessageBytes = 4 + sizeof(SearchResultRecord);  // 292

// The message a device sends per result: int32 101 followed by the record.
std::vector<std::uint8_t> SearchResultMessage(const SearchResultRecord& record);
// nullopt unless the message is exactly 292 bytes with code 101.
std::optional<SearchResultRecord> ParseSearchResultMessage(const std::uint8_t* data, std::size_t length);

std::vector<std::uint8_t> SearchFinishedMessage(std::int32_t resultCount);
// The result count of a finished message, nullopt for anything else.
std::optional<std::int32_t> ParseSearchFinishedMessage(const std::uint8_t* data, std::size_t length);

}  // namespace strovik
