#pragma once

#include "devicelibs/tcpclient/TcpClientFactory.h"

#include <cstdint>
#include <string>

namespace strovik {

// Part of the device TCP client library (NV_VerifyUser). Verifies a plain RTSP camera the way NV_VerifyUser answers: an RTSP DESCRIBE of its main stream,
// repeated with Digest (preferred) or Basic authentication when the camera asks for it.
//  - the description comes: 1 channel, full rights (158);
//  - the login is refused (401 or 403 with our credentials): 1, the design's wrong-password answer;
//  - 404 and other refusals: VerifyError::Refused; an answer that is not RTSP: ProtocolError;
//  - connection and time-out failures: the library's codes for them (VerifyError).
// Blocks for at most two connects, sends and answers of the options' timeouts. The password never leaves this function
// except inside the Authorization header, and never in clear text when the camera offers Digest.
std::int32_t VerifyRtspCamera(const std::string& streamAddress, const std::string& userName,
                              const std::string& password, const TcpClientOptions& options);

}  // namespace strovik
