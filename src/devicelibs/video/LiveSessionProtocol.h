#pragma once

#include "devicelibs/FixedText.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace strovik {

static_assert(std::endian::native == std::endian::little,
              "session records are read in place as little-endian");

// The live session on a device's own port (docs/media.md): the client sends one LiveStreamRequest
// message, the device answers with one LiveStreamAnswer message and, when it accepted, sends one
// message per frame in the frame format (header and body) until either side closes. Every
// message travels in the framing of wire/MessageFraming.
inline constexpr std::array<char, 4> kLiveSessionMagic{'S', 'L', 'V', '1'};

#pragma pack(push, 1)
struct LiveStreamRequest {
    std::array<char, 4> magic = kLiveSessionMagic;
    // A device of C channels serves channel i's main stream at index i and its sub stream at C + i.
    std::uint8_t streamIndex = 0;
    std::array<std::uint8_t, 3> reserved{};
    FixedText<32> userName;
    FixedText<32> password;
    // The device as the client addressed it, so that a relay knows where to forward the session.
    FixedText<64> deviceAddress;
    std::uint16_t devicePort = 0;
    std::uint16_t reserved2 = 0;
};
#pragma pack(pop)
static_assert(offsetof(LiveStreamRequest, userName) == 8);
static_assert(offsetof(LiveStreamRequest, deviceAddress) == 72);
static_assert(sizeof(LiveStreamRequest) == 140);

namespace LiveAnswerResult {
inline constexpr std::int32_t Accepted = 0;
inline constexpr std::int32_t WrongLogin = 1;
inline constexpr std::int32_t NoSuchStream = 2;
inline constexpr std::int32_t BadRequest = 3;
}  // namespace LiveAnswerResult

namespace VideoCodec {
inline constexpr std::uint8_t H264 = 1;
}
namespace AudioCodec {
inline constexpr std::uint8_t None = 0;
inline constexpr std::uint8_t G711MuLaw = 1;  // 8000 samples a second, mono
}  // namespace AudioCodec

#pragma pack(push, 1)
struct LiveStreamAnswer {
    std::array<char, 4> magic = kLiveSessionMagic;
    std::int32_t result = LiveAnswerResult::Accepted;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint16_t framesPerSecond = 0;
    std::uint8_t videoCodec = VideoCodec::H264;
    std::uint8_t audioCodec = AudioCodec::None;
};
#pragma pack(pop)
static_assert(sizeof(LiveStreamAnswer) == 16);

// A record as the payload of one message, and back. Decoding checks the size and the magic only;
// the caller judges the field values.
template <typename Record>
std::vector<std::uint8_t> EncodeRecord(const Record& record) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    return {bytes, bytes + sizeof(Record)};
}

template <typename Record>
std::optional<Record> DecodeRecord(const std::uint8_t* payload, std::size_t size) {
    if (payload == nullptr || size != sizeof(Record)) return std::nullopt;
    Record record;
    std::memcpy(&record, payload, sizeof(Record));
    if (record.magic != kLiveSessionMagic) return std::nullopt;
    return record;
}

template <typename Record>
std::optional<Record> DecodeRecord(const std::vector<std::uint8_t>& payload) {
    return DecodeRecord<Record>(payload.data(), payload.size());
}

}  // namespace strovik
