#pragma once

#include "MediaService.h"

namespace strovik::devsim {

// devsim without media: live connections are logged and closed, missing recordings stay missing.
class NullMediaService final : public MediaService {
public:
    explicit NullMediaService(EventLog& log) : log_(log) {}

    void prepareRecordings(const SimulatedDevice& device) override;
    void serveLiveStream(TcpSocket& socket, const SimulatedDevice& device, std::stop_token stop) override;

private:
    EventLog& log_;
};

}  // namespace strovik::devsim
