#pragma once

#include "DevsimConfig.h"
#include "EventLog.h"
#include "platform/TcpSocket.h"

#include <stop_token>

namespace strovik::devsim {

// One HTTP connection to an ONVIF camera's services (device, media, PTZ, imaging, all on the
// camera's Port): requests are served one after another until the client closes, goes quiet for
// the idle timeout, or sends something that is not HTTP. Every call is logged ("onvif"), every PTZ
// and imaging call with its arguments ("onvif-ptz").
void ServeOnvifConnection(TcpSocket& socket, std::stop_token stop, const SimulatedDevice& device,
                          const DevsimConfig& config, EventLog& log);

}  // namespace strovik::devsim
