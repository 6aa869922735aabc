#pragma once

#include <cstdint>

namespace strovik {

// The negative results of NV_VerifyUser (docs/device-protocol.md lists them with their causes).
namespace VerifyError {
inline constexpr std::int32_t ConnectFailed =
    -1;  // refused or unreachable (also a DDNS name answered with 127.0.0.1)
inline constexpr std::int32_t ConnectTimedOut = -2;  // no connection within the connect timeout
inline constexpr std::int32_t BadHost = -3;          // empty host or a name that does not resolve
inline constexpr std::int32_t BadPort = -4;          // port outside 1..65535
inline constexpr std::int32_t SendFailed = -5;       // the request could not be sent
inline constexpr std::int32_t NoAnswer = -6;         // no answer within the answer timeout
inline constexpr std::int32_t ClosedEarly = -7;  // the device closed or reset the connection before answering
inline constexpr std::int32_t ProtocolError =
    -8;  // an answer that is not one (size, kind, length beyond the maximum)
inline constexpr std::int32_t Refused = -9;        // the device refused the session
inline constexpr std::int32_t LibraryError = -10;  // the library could not run the request (resources)
}  // namespace VerifyError

}  // namespace strovik
