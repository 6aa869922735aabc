#include "NullMediaService.h"

namespace strovik::devsim {

void NullMediaService::prepareRecordings(const SimulatedDevice& /*device*/) {}

void NullMediaService::serveLiveStream(TcpSocket& socket, const SimulatedDevice& device,
                                       std::stop_token /*stop*/) {
    LogLine("session")
        .add("device", device.name)
        .add("peer", socket.peerAddress())
        .add("kind", "live")
        .add("outcome", "no-media")
        .writeTo(log_);
}

std::unique_ptr<MediaService> CreateMediaService(EventLog& log) {
    return std::make_unique<NullMediaService>(log);
}

}  // namespace strovik::devsim
