#pragma once

#include "devsim/media/MediaCache.h"
#include "platform/TcpSocket.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

namespace strovik::devsim {

// What a live session needs to know about the simulated device.
struct LiveDevice {
    std::string name;
    int channelCount = 1;
    std::string userName;
    std::string password;
};

struct LiveSessionOptions {
    // Fault knob: close the stream this long after it started (0 = never).
    std::chrono::milliseconds dropAfter{0};
};

// Serves one live session (docs/media.md) on an accepted connection of the device's own port:
// reads the request, answers, then sends the stream's frames at 25 a second with fresh time stamps
// until the client leaves, stop is set (seen within 50 ms), dropAfter passes, or the client stops
// reading for 5 s. Runs on the caller's thread and returns when the session is over, with the
// connection shut down.
void ServeLiveSession(TcpSocket& socket, const LiveDevice& device, MediaCache& media,
                      const std::atomic<bool>& stop, const LiveSessionOptions& options = {});

// ServeLiveSession as a SessionListener handler; media must outlive the listener.
std::function<void(TcpSocket&, const std::atomic<bool>&)> LiveSessionHandler(LiveDevice device,
                                                                             MediaCache& media,
                                                                             LiveSessionOptions options = {});

}  // namespace strovik::devsim
