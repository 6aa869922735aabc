#pragma once

#include "devicelibs/onvif/OnvifPtz.h"
#include "platform/TcpSocket.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace strovik {

// The device side of a command connection or PTZ session with a camera of another make, played
// inside the library. The program's end is an ordinary command connection over a local socket
// pair, so its handle, its thread, its callbacks and its disconnection behave exactly as with our
// devices; what the program sends comes here instead of going out on the socket.
//
// - Record searches are answered with an empty list: such a camera keeps no recordings we reach.
// - Device-information requests are answered with firmware 0.0 and every channel open to search,
//   so that the program's search goes ahead (and finds nothing) instead of being refused.
// - PTZ records go to the camera's ONVIF PTZ session when it has one; otherwise they do nothing.
// - Anything else is ignored, as our devices ignore codes they do not know.
class CameraSession final {
public:
    enum class Kind { Command, Ptz };
    // deviceEnd: the pair's other end, on which answers go to the program's connection. ptz may
    // be null (a camera without ONVIF).
    CameraSession(Kind kind, TcpSocket deviceEnd, std::unique_ptr<OnvifPtzSession> ptz,
                  TcpSocket::Milliseconds sendTimeout);
    ~CameraSession();

    // Any thread, also concurrently. length, or -1 when the session is gone or the camera could
    // not be reached.
    std::int32_t send(const std::uint8_t* buffer, std::int32_t length);

private:
    const Kind kind_;
    std::mutex mutex_;  // one answer at a time on deviceEnd_
    TcpSocket deviceEnd_;
    const std::unique_ptr<OnvifPtzSession> ptz_;
    const TcpSocket::Milliseconds sendTimeout_;
};

}  // namespace strovik
