#pragma once

#include "devicelibs/TcpClientLibrary.h"

#include <chrono>
#include <memory>

namespace strovik {

// The limits every blocking step of the device TCP client library keeps. The defaults are the
// documented ones (docs/device-protocol.md); tests shorten them.
struct TcpClientOptions {
    using Milliseconds = std::chrono::milliseconds;
    // Establishing a TCP connection to the device.
    Milliseconds connectTimeout{3000};
    // From the session's opening message to the device's whole answer (verification answer
    // included), and for each wait while a later message is half received.
    Milliseconds answerTimeout{5000};
    // For each wait while sending a message.
    Milliseconds sendTimeout{5000};
    // The longest silence inside a file transfer before it is given up as lost.
    Milliseconds transferIdleTimeout{10000};
};

class NetworkCameras;

// The real library: our device protocol over TCP, and the cameras of other makes that the
// directory lists (none when it is null). Destroying it closes every connection and stops every
// transfer, joining their threads; it must not be destroyed from inside one of its callbacks.
std::shared_ptr<TcpClientLibrary> CreateTcpClientLibrary(const TcpClientOptions& options = {},
                                                         std::shared_ptr<NetworkCameras> cameras = {});

}  // namespace strovik
