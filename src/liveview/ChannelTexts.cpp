#include "liveview/ChannelTexts.h"

#include "devices/Verification.h"
#include "platform/StringTable.h"

namespace strovik {

QString ConnectingText(const StringTable& strings) {
    return strings.Lookup(LiveText::Connecting) + QStringLiteral("...");
}

QString ChannelLoginFailureText(std::int32_t result, const QString& deviceName, const StringTable& strings) {
    if (const std::optional<QString> error = LibraryErrorText(result, strings)) return *error;
    if (result < kOfflineDomainResult) return QStringLiteral("Unknown error: %1").arg(result);
    return deviceName + QLatin1Char(' ') + RightsLevelMessage(result, strings);
}

}  // namespace strovik
