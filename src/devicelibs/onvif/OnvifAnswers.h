#pragma once

#include "devicelibs/onvif/XmlTree.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace strovik {

// What the client reads from the Body of a device's answers. Each parser takes the Body element
// and gives nullopt when the answer lacks what the call is for; optional parts are left empty.

struct OnvifDeviceInformation {
    QString manufacturer;
    QString model;
    QString firmwareVersion;
    QString serialNumber;
};
std::optional<OnvifDeviceInformation> ParseDeviceInformation(const XmlElement& body);

// From GetSystemDateAndTime: the device's clock in UTC.
std::optional<QDateTime> ParseSystemDateAndTime(const XmlElement& body);

// The services' addresses (XAddr); empty for a service the device does not offer.
struct OnvifServiceAddresses {
    QString media;
    QString ptz;
    QString imaging;
};
// From GetCapabilities. The media service is required.
std::optional<OnvifServiceAddresses> ParseCapabilities(const XmlElement& body);

struct OnvifProfile {
    QString token;
    QString name;
    QString videoSourceToken;  // empty when the profile has no video source configuration
    bool hasPtz = false;
};
// From GetProfiles: the profiles that have a token, in the device's order (there may be none).
std::optional<std::vector<OnvifProfile>> ParseProfiles(const XmlElement& body);

// From GetStreamUri: the URI as given (not yet checked).
std::optional<QString> ParseStreamUri(const XmlElement& body);

// A video source's channels: the main and sub stream profiles of each video source, in the order
// in which the device first names each source.
struct OnvifChannel {
    QString videoSourceToken;
    OnvifProfile main;
    std::optional<OnvifProfile> sub;
};
std::vector<OnvifChannel> ChannelsOf(const std::vector<OnvifProfile>& profiles);

// One answer to a WS-Discovery probe: which probe it answers and the devices it names.
struct WsDiscoveryMatch {
    QString endpoint;  // the device's endpoint reference, e.g. urn:uuid:...
    QStringList serviceAddresses;
};
struct WsDiscoveryAnswer {
    QString relatesTo;
    std::vector<WsDiscoveryMatch> matches;
};
// nullopt for a datagram that is not a ProbeMatches envelope.
std::optional<WsDiscoveryAnswer> ParseProbeMatches(QByteArrayView datagram);

}  // namespace strovik
