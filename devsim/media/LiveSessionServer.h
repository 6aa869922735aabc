#pragma once

#include "devsim/media/MediaCache.h"
#include "platform/TcpSocket.h"

#include <chrono>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>

namespace strovik::devsim {

// What a live session needs to know about the simulated device.
struct LiveDevice {
    std::string name;
    int channelCount = 1;
    PictureSize mainSize = kDefaultMainSize;
    PictureSize subSize = kDefaultSubSize;
    // Whether this user name and password may watch; called on the session's thread.
    std::function<bool(std::string_view userName, std::string_view password)> mayWatch;
};

struct LiveSessionOptions {
    // Fault knob: close the stream this long after it started (0 = never).
    std::chrono::milliseconds dropAfter{0};
};

// How a live session ended.
enum class LiveSessionEnd {
    NoRequest,      // the client sent no request within 5 s, or left before it
    BadRequest,     // the request was not one (wrong size or magic, broken framing)
    LoginRefused,   // answered "wrong user name or password"
    NoSuchStream,   // answered "no such stream"
    NoMedia,        // the stream could not be encoded; answered "no such stream"
    ClientLeft,     // the client closed while it was streamed to
    ClientStalled,  // the client stopped reading for 5 s
    Stopped,        // devsim stops
    Dropped,        // the dropAfter fault knob ended it
};
// The outcome's name in devsim's log ("client-closed", "fault-drop", ...).
const char* LiveSessionEndName(LiveSessionEnd end);

struct LiveSessionReport {
    LiveSessionEnd end = LiveSessionEnd::NoRequest;
    std::string userName;  // as the request gave it; empty before a request
    int streamIndex = -1;  // -1 before a request
};

// Serves one live session (docs/media.md) on an accepted connection of the device's own port:
// reads the request, answers, then sends the stream's frames at 25 a second with fresh time stamps
// until the client leaves, stop is requested (seen at once), dropAfter passes, or the client stops
// reading for 5 s. Runs on the caller's thread and returns when the session is over, with the
// connection shut down.
LiveSessionReport ServeLiveSession(TcpSocket& socket, const LiveDevice& device, MediaCache& media,
                                   std::stop_token stop, const LiveSessionOptions& options = {});

}  // namespace strovik::devsim
