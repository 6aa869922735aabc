#include "liveview/ChannelTexts.h"

#include "devices/Verification.h"
#include "platform/StringTable.h"

namespace strovik {

namespace {

constexpr int kLibraryErrorEntryBase = 4100;  // entry 4100 + k for library error -k

}  // namespace

QString ConnectingText(const StringTable& strings) {
    return strings.Lookup(LiveText::Connecting) + QStringLiteral("...");
}

QString ChannelLoginFailureText(std::int32_t result, const QString& deviceName, const StringTable& strings) {
    if (result == kOfflineDomainResult)
        return QStringLiteral("%1 (%2)").arg(strings.Lookup(kLibraryErrorEntryBase)).arg(-1);
    if (result >= -10 && result <= -1)
        return QStringLiteral("%1 (%2)").arg(strings.Lookup(kLibraryErrorEntryBase - result)).arg(result);
    if (result < kOfflineDomainResult) return QStringLiteral("Unknown error: %1").arg(result);
    return deviceName + QLatin1Char(' ') + RightsLevelMessage(result, strings);
}

}  // namespace strovik
