#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace strovik {

// WS-Discovery's well-known group and port; probes for ONVIF devices go there on a LAN.
inline constexpr const char* kWsDiscoveryGroup = "239.255.255.250";
inline constexpr std::uint16_t kWsDiscoveryPort = 3702;

// A Probe for ONVIF video transmitters; answers name messageId in their RelatesTo.
QByteArray WsDiscoveryProbe(const QString& messageId);

// The text of a fresh message ID ("uuid:...").
QString NewWsDiscoveryMessageId();

}  // namespace strovik
