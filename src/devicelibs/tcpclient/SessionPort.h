#pragma once

#include "devicelibs/wire/SessionRecords.h"

#include <cstdint>
#include <optional>

namespace strovik {

// Callers name sessions by the library's port encodings: a plain TCP port (the device port + 2000)
// opens a command connection there; device port - 10 + 200000 and device port - 10 + 100000 both
// open a PTZ session on the same device's port + 2000.
inline constexpr std::int32_t kPtzPortBase = 200000;
inline constexpr std::int32_t kOlderPtzPortBase = 100000;
inline constexpr std::uint16_t kVerificationPortOffset = 2000;

struct SessionTarget {
    std::uint16_t tcpPort = 0;
    SessionKind kind = SessionKind::Command;
    std::int32_t portEncoding = 0;  // kPtzPortBase or kOlderPtzPortBase for PTZ sessions
};

// nullopt for a port that none of the encodings gives.
std::optional<SessionTarget> DecodeSessionPort(std::int32_t port);

}  // namespace strovik
