#pragma once

#include "DevsimConfig.h"
#include "EventLog.h"
#include "platform/TcpSocket.h"

#include <memory>
#include <stop_token>

namespace strovik::devsim {

// The seam between devsim's core and its media: live video and the recordings' content. The core
// owns ports, threads and shutdown; a media service only serves what it is handed. Both calls may
// run on several threads at once (one per device or session).
class MediaService {
public:
    virtual ~MediaService() = default;

    // At start-up, once per device and before any port opens: create the catalogue files of the
    // device's recordings folder that do not exist yet (device.recordingPath(entry) for each
    // entry), and get the live streams that device.preparedStreams names ready to serve. Files
    // that stay missing are answered as missing.
    virtual void prepareMedia(const SimulatedDevice& device) = 0;

    // On a session thread, for each connection accepted on the device's own port (device.port).
    // Serve it until the client leaves or stop is requested; at stop the core also shuts the socket
    // down, so that any wait on it ends. The core closes the socket after the call returns.
    virtual void serveLiveStream(TcpSocket& socket, const SimulatedDevice& device, std::stop_token stop) = 0;
};

// The media service devsim runs with; seed drives its random faults (LiveDropRandomMs).
std::unique_ptr<MediaService> CreateMediaService(EventLog& log, std::uint32_t seed);

}  // namespace strovik::devsim
