#pragma once

#include "devicelibs/DiscoveryLibrary.h"
#include "devicelibs/wire/WireRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace strovik {

// LAN discovery is one UDP probe from the client and one answer datagram per camera, sent back to
// the probe's source address and port. docs/device-protocol.md describes it.
inline constexpr std::array<char, 4> kDiscoveryMagic{'S', 'V', 'K', 'D'};
inline constexpr std::uint16_t kDefaultDiscoveryPort = 39610;

namespace DiscoveryKind {
inline constexpr std::int32_t Probe = 1;
inline constexpr std::int32_t Answer = 2;
}  // namespace DiscoveryKind

#pragma pack(push, 1)
struct DiscoveryProbe {
    std::array<char, 4> magic = kDiscoveryMagic;
    std::int32_t kind = DiscoveryKind::Probe;
    std::uint32_t searchId = 0;  // echoed by the answers, so that late answers to an old search are dropped
};

struct DiscoveryAnswer {
    std::array<char, 4> magic = kDiscoveryMagic;
    std::int32_t kind = DiscoveryKind::Answer;
    std::uint32_t searchId = 0;
    IpcSearchRecord camera;
};
#pragma pack(pop)
static_assert(sizeof(DiscoveryProbe) == 12);
static_assert(offsetof(DiscoveryAnswer, camera) == 12);
static_assert(sizeof(DiscoveryAnswer) == 520);

// nullopt unless exactly one probe (12 bytes, magic, kind 1).
std::optional<DiscoveryProbe> ParseDiscoveryProbe(const std::uint8_t* data, std::size_t length);
// nullopt unless exactly one answer (520 bytes, magic, kind 2). Every text field of the camera
// record comes back zero-terminated, whatever the datagram held.
std::optional<DiscoveryAnswer> ParseDiscoveryAnswer(const std::uint8_t* data, std::size_t length);

}  // namespace strovik
