#pragma once

#include "devicelibs/TcpClientLibrary.h"
#include "devicelibs/wire/WireRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace strovik {

// What the TCP client library hands to its receive callback about a remote file transfer: a
// 520-byte message whose first 12 bytes are code (TransferCode), count and value; the rest is zero.
#pragma pack(push, 1)
struct TransferNotification {
    std::int32_t code = 0;
    std::int32_t count = 0;  // 112: bytes in the block
    std::int32_t value = 0;  // 110: total size; 113: failure reason (TransferFailure)
    std::array<std::uint8_t, kTransferNotificationBytes - 12> reserved{};
};
#pragma pack(pop)
static_assert(offsetof(TransferNotification, count) == 4);
static_assert(offsetof(TransferNotification, value) == 8);
static_assert(sizeof(TransferNotification) == kTransferNotificationBytes);

// The value of a 113 notification.
namespace TransferFailure {
inline constexpr std::int32_t CannotOpen = 0;   // the device could not open the file
inline constexpr std::int32_t NoSuchFile = -1;  // the device has no such file
inline constexpr std::int32_t ConnectionLost =
    -2;                                         // reset, closed early, silent too long or broke the protocol
inline constexpr std::int32_t LocalWrite = -3;  // the local file could not be written (disk full, ...)
}  // namespace TransferFailure

TransferNotification MakeTransferNotification(std::int32_t code, std::int32_t count, std::int32_t value);
// nullopt unless exactly 520 bytes.
std::optional<TransferNotification> ParseTransferNotification(const std::uint8_t* data, std::size_t length);

}  // namespace strovik
