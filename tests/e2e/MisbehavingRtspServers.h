#pragma once

#include "e2e/SessionListener.h"

#include <memory>
#include <string>

namespace strovik::test {

// RTSP servers that GStreamer's will not play, on 127.0.0.1 at a free port.
// One that accepts and never answers a request (DESCRIBE included).
std::unique_ptr<SessionListener> MuteRtspServer();
// One that answers the first request with `answer` and keeps the connection open.
std::unique_ptr<SessionListener> GarbageRtspServer(std::string answer);

}  // namespace strovik::test
