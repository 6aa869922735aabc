#pragma once

#include "devicelibs/FixedText.h"
#include "devicelibs/wire/WireRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace strovik {

inline constexpr std::int32_t kSearchRequestCode = 100;

// Record types of the search and of its results.
namespace RecordType {
inline constexpr std::uint8_t All = 0;  // in a request only
inline constexpr std::uint8_t Manual = 1;
inline constexpr std::uint8_t Auto = 2;
inline constexpr std::uint8_t Alarm = 3;
// Devices with new firmware take the type plus this offset, and then read the user name.
inline constexpr std::uint8_t NewFirmwareOffset = 100;
}  // namespace RecordType

// A record search, sent by the client on a command connection. Times are FILETIMEs of the
// device's local time (see FileTime.h).
#pragma pack(push, 1)
struct SearchRequest {
    std::int32_t command = kSearchRequestCode;
    std::uint64_t startTime = 0;
    std::uint64_t endTime = 0;
    std::uint8_t channel = 0;     // 1-based
    std::uint8_t recordType = 0;  // RecordType, + NewFirmwareOffset for new firmware
    std::array<std::uint8_t, 132> reserved{};
    FixedText<128> userName;  // new firmware only, else zero
    std::array<std::uint8_t, 2> tail{};
};
#pragma pack(pop)
static_assert(offsetof(SearchRequest, startTime) == 4);
static_assert(offsetof(SearchRequest, endTime) == 12);
static_assert(offsetof(SearchRequest, channel) == 20);
static_assert(offsetof(SearchRequest, recordType) == 21);
static_assert(offsetof(SearchRequest, userName) == 154);
static_assert(sizeof(SearchRequest) == 284);

enum class SearchRequestStyle {
    OldFirmware,  // the plain record type, no user name
    NewFirmware,  // type + 100 and the user name
};

SearchRequest BuildSearchRequest(std::uint64_t startTime, std::uint64_t endTime, std::uint8_t channel,
                                 std::uint8_t recordType, SearchRequestStyle style,
                                 std::string_view userName);

// What a device reads from a request: the type without the new-firmware offset, and whether the
// request came in the new style (and so carries a user name to check).
struct SearchQuery {
    std::uint64_t startTime = 0;
    std::uint64_t endTime = 0;
    std::uint8_t channel = 0;
    std::uint8_t recordType = 0;
    SearchRequestStyle style = SearchRequestStyle::OldFirmware;
    std::string userName;
};

// nullopt unless the message is exactly one search request (284 bytes, code 100).
std::optional<SearchQuery> ParseSearchRequest(const std::uint8_t* data, std::size_t length);

}  // namespace strovik
