#pragma once

#include "devicelibs/FixedText.h"
#include "devicelibs/wire/WireRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace strovik {

namespace PtzGroup {
inline constexpr std::uint8_t MultiChannel = 2;
inline constexpr std::uint8_t SingleChannel = 22;  // devices with exactly one channel
}  // namespace PtzGroup

// One pan/tilt/zoom command. It travels as one message of a PTZ session, or as 128 raw bytes on the
// channel's stream port for older firmware.
#pragma pack(push, 1)
struct PtzCommand {
    std::uint8_t group = 0;  // PtzGroup
    std::uint8_t speed = 0;
    std::uint8_t reserved2 = 0;
    std::uint8_t code = 0;     // press codes 101..104, 111..117, 200; release codes 105..108, 121..127
    std::uint8_t channel = 0;  // 1-based
    std::uint8_t parameter = 0;
    std::array<std::uint8_t, 58> reserved{};
    FixedText<32, 31> userName;  // first 31 bytes, byte 95 stays zero
    FixedText<32, 31> password;  // first 31 bytes, byte 127 stays zero
};
#pragma pack(pop)
static_assert(offsetof(PtzCommand, code) == 3);
static_assert(offsetof(PtzCommand, channel) == 4);
static_assert(offsetof(PtzCommand, parameter) == 5);
static_assert(offsetof(PtzCommand, userName) == 64);
static_assert(offsetof(PtzCommand, password) == 96);
static_assert(sizeof(PtzCommand) == 128);

struct PtzCommandFields {
    std::uint8_t group = PtzGroup::MultiChannel;
    std::uint8_t speed = 0;
    std::uint8_t reserved2 = 0;
    std::uint8_t code = 0;
    std::uint8_t channel = 0;
    std::uint8_t parameter = 0;
    std::string_view userName;
    std::string_view password;
};

PtzCommand BuildPtzCommand(const PtzCommandFields& fields);
// nullopt unless exactly 128 bytes.
std::optional<PtzCommand> ParsePtzCommand(const std::uint8_t* data, std::size_t length);

}  // namespace strovik
