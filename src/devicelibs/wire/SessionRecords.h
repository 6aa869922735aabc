#pragma once

#include "devicelibs/FixedText.h"
#include "devicelibs/wire/WireRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace strovik {

// Every connection to a device's verification port (device port + 2000) opens with one
// SessionHello message from the client and one SessionAnswer message from the device; what follows
// depends on the kind. docs/device-protocol.md describes the whole exchange.
inline constexpr std::array<char, 4> kSessionMagic{'S', 'V', 'K', '1'};

enum class SessionKind : std::int32_t {
    Verify = 1,        // user name + password -> verification answer, then the device closes
    Command = 2,       // free messages both ways: record search, device information
    FileTransfer = 3,  // file name -> size, the file's bytes, an empty message at the end
    Ptz = 4,           // 128-byte PtzCommand messages from the client
};

const char* SessionKindName(SessionKind kind);

#pragma pack(push, 1)
struct SessionHello {
    std::array<char, 4> magic = kSessionMagic;
    std::int32_t kind = 0;          // SessionKind
    std::int32_t portEncoding = 0;  // Ptz: the library port base the caller used (200000 or 100000)
    FixedText<128> userName;        // Verify
    FixedText<128> password;        // Verify
    FixedText<260> fileName;        // FileTransfer: the name on the device
};
#pragma pack(pop)
static_assert(offsetof(SessionHello, kind) == 4);
static_assert(offsetof(SessionHello, portEncoding) == 8);
static_assert(offsetof(SessionHello, userName) == 12);
static_assert(offsetof(SessionHello, password) == 140);
static_assert(offsetof(SessionHello, fileName) == 268);
static_assert(sizeof(SessionHello) == 528);

// status of a SessionAnswer.
namespace SessionStatus {
inline constexpr std::int32_t Accepted = 0;         // Command, Ptz, FileTransfer (the file follows)
inline constexpr std::int32_t NoSuchFile = -1;      // FileTransfer
inline constexpr std::int32_t CannotOpenFile = -2;  // FileTransfer
inline constexpr std::int32_t Refused = -3;         // any kind: the device will not serve this session
}  // namespace SessionStatus

#pragma pack(push, 1)
struct SessionAnswer {
    std::int32_t kind = 0;      // echoes the hello's kind
    std::int32_t status = 0;    // Verify: the verification answer (>= 0) or Refused; else SessionStatus
    std::int64_t fileSize = 0;  // FileTransfer with Accepted: the bytes that follow
};
#pragma pack(pop)
static_assert(sizeof(SessionAnswer) == 16);

// nullopt unless exactly one hello (528 bytes, the magic, a known kind).
std::optional<SessionHello> ParseSessionHello(const std::uint8_t* data, std::size_t length);
// nullopt unless exactly 16 bytes.
std::optional<SessionAnswer> ParseSessionAnswer(const std::uint8_t* data, std::size_t length);

}  // namespace strovik
