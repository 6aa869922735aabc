#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <type_traits>
#include <vector>

namespace strovik {

static_assert(std::endian::native == std::endian::little,
              "wire records are read and written in place as little-endian");

// A fixed-size, packed record that travels as its own bytes: value-initialising it zero-fills it,
// and its integers are little-endian because the host is.
template <class Record>
concept WireRecord = std::is_trivially_copyable_v<Record> && std::is_standard_layout_v<Record>;

template <WireRecord Record>
std::vector<std::uint8_t> RecordBytes(const Record& record) {
    std::vector<std::uint8_t> bytes(sizeof(Record));
    std::memcpy(bytes.data(), &record, sizeof(Record));
    return bytes;
}

// The record at the start of data, or nullopt when fewer than sizeof(Record) bytes are there.
template <WireRecord Record>
std::optional<Record> ReadRecord(const std::uint8_t* data, std::size_t length) {
    if (data == nullptr || length < sizeof(Record)) return std::nullopt;
    Record record;
    std::memcpy(&record, data, sizeof(Record));
    return record;
}

// The int32 at the start of a message (its code), or nullopt for a message shorter than four bytes.
inline std::optional<std::int32_t> MessageCode(const std::uint8_t* data, std::size_t length) {
    return ReadRecord<std::int32_t>(data, length);
}

}  // namespace strovik
