#include "devicelibs/onvif/OnvifAnswers.h"

#include <QRegularExpression>

namespace strovik {

namespace {

constexpr std::size_t kMaxMatchesPerAnswer = 64;

// Media, PTZ and imaging addresses of GetCapabilities: Capabilities/<Service>/XAddr.
QString ServiceAddress(const XmlElement& capabilities, QStringView service) {
    const XmlElement* element = capabilities.path({service, u"XAddr"});
    return element ? element->text : QString();
}

}  // namespace

std::optional<OnvifDeviceInformation> ParseDeviceInformation(const XmlElement& body) {
    const XmlElement* answer = body.child(u"GetDeviceInformationResponse");
    if (!answer) return std::nullopt;
    return OnvifDeviceInformation{answer->childText(u"Manufacturer"), answer->childText(u"Model"),
                                  answer->childText(u"FirmwareVersion"), answer->childText(u"SerialNumber")};
}

std::optional<QDateTime> ParseSystemDateAndTime(const XmlElement& body) {
    const XmlElement* utc = body.path({u"GetSystemDateAndTimeResponse", u"SystemDateAndTime", u"UTCDateTime"});
    const XmlElement* date = utc ? utc->child(u"Date") : nullptr;
    const XmlElement* time = utc ? utc->child(u"Time") : nullptr;
    if (!date || !time) return std::nullopt;
    const auto number = [](const XmlElement& parent, QStringView name) {
        bool ok = false;
        const int value = parent.childText(name).toInt(&ok);
        return ok ? value : -1;
    };
    const QDateTime clock(QDate(number(*date, u"Year"), number(*date, u"Month"), number(*date, u"Day")),
                          QTime(number(*time, u"Hour"), number(*time, u"Minute"), number(*time, u"Second")),
                          Qt::UTC);
    if (!clock.isValid()) return std::nullopt;
    return clock;
}

std::optional<OnvifServiceAddresses> ParseCapabilities(const XmlElement& body) {
    const XmlElement* capabilities = body.path({u"GetCapabilitiesResponse", u"Capabilities"});
    if (!capabilities) return std::nullopt;
    OnvifServiceAddresses addresses{ServiceAddress(*capabilities, u"Media"), ServiceAddress(*capabilities, u"PTZ"),
                                    ServiceAddress(*capabilities, u"Imaging")};
    if (addresses.media.isEmpty()) return std::nullopt;
    return addresses;
}

std::optional<std::vector<OnvifProfile>> ParseProfiles(const XmlElement& body) {
    const XmlElement* answer = body.child(u"GetProfilesResponse");
    if (!answer) return std::nullopt;
    std::vector<OnvifProfile> profiles;
    for (const XmlElement& element : answer->children) {
        if (element.name != QLatin1String("Profiles")) continue;
        OnvifProfile profile;
        profile.token = element.attribute(u"token");
        if (profile.token.isEmpty()) continue;
        profile.name = element.childText(u"Name");
        if (const XmlElement* source = element.path({u"VideoSourceConfiguration", u"SourceToken"}))
            profile.videoSourceToken = source->text;
        profile.hasPtz = element.child(u"PTZConfiguration") != nullptr;
        profiles.push_back(std::move(profile));
    }
    return profiles;
}

std::optional<QString> ParseStreamUri(const XmlElement& body) {
    const XmlElement* uri = body.path({u"GetStreamUriResponse", u"MediaUri", u"Uri"});
    if (!uri || uri->text.isEmpty()) return std::nullopt;
    return uri->text;
}

std::vector<OnvifChannel> ChannelsOf(const std::vector<OnvifProfile>& profiles) {
    std::vector<OnvifChannel> channels;
    for (const OnvifProfile& profile : profiles) {
        if (profile.videoSourceToken.isEmpty()) continue;
        auto channel = std::find_if(channels.begin(), channels.end(), [&](const OnvifChannel& known) {
            return known.videoSourceToken == profile.videoSourceToken;
        });
        if (channel == channels.end()) {
            channels.push_back(OnvifChannel{profile.videoSourceToken, profile, std::nullopt});
        } else if (!channel->sub) {
            channel->sub = profile;
        }
    }
    return channels;
}

std::optional<WsDiscoveryAnswer> ParseProbeMatches(QByteArrayView datagram) {
    const auto document = ParseXmlTree(datagram);
    if (!document || document->name != QLatin1String("Envelope")) return std::nullopt;
    const XmlElement* matches = document->path({u"Body", u"ProbeMatches"});
    if (!matches) return std::nullopt;
    WsDiscoveryAnswer answer;
    if (const XmlElement* header = document->child(u"Header")) answer.relatesTo = header->childText(u"RelatesTo");
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const XmlElement& match : matches->children) {
        if (match.name != QLatin1String("ProbeMatch") || answer.matches.size() >= kMaxMatchesPerAnswer) continue;
        WsDiscoveryMatch found;
        if (const XmlElement* address = match.path({u"EndpointReference", u"Address"})) found.endpoint = address->text;
        found.serviceAddresses = match.childText(u"XAddrs").split(blanks, Qt::SkipEmptyParts);
        if (!found.serviceAddresses.isEmpty()) answer.matches.push_back(std::move(found));
    }
    return answer;
}

}  // namespace strovik
