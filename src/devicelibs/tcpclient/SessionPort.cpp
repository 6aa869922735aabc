#include "devicelibs/tcpclient/SessionPort.h"

namespace strovik {

std::optional<SessionTarget> DecodeSessionPort(std::int32_t port) {
    constexpr std::int32_t maxTcpPort = 65535;
    if (port >= 1 && port <= maxTcpPort)
        return SessionTarget{static_cast<std::uint16_t>(port), SessionKind::Command, 0};
    for (const std::int32_t base : {kPtzPortBase, kOlderPtzPortBase}) {
        if (port < base || port >= base + kOlderPtzPortBase) continue;
        const std::int32_t devicePort = port - base + 10;
        const std::int32_t tcpPort = devicePort + kVerificationPortOffset;
        if (tcpPort > maxTcpPort) return std::nullopt;
        return SessionTarget{static_cast<std::uint16_t>(tcpPort), SessionKind::Ptz, base};
    }
    return std::nullopt;
}

}  // namespace strovik
