#include "recordings/SearchRules.h"

#include "devices/Verification.h"
#include "platform/StringTable.h"

namespace strovik {

namespace {

constexpr int kLibraryErrorEntryBase = 4100;  // entry 4100 + k for library error -k

}  // namespace

bool MayListRecords(std::int32_t rights) {
    return rights == 58 || rights == 50;
}

bool IsNewFirmware(const DeviceVersion& version) {
    return version.major >= 9 && version.minor >= 7;
}

SearchGate CheckSearchGate(const LoginState& state, int channelIndex) {
    if (!MayListRecords(state.currentRights)) return SearchGate::Login;
    if (!IsNewFirmware(state.currentVersion)) return SearchGate::Search;
    const auto& rights = state.currentChannelRights;
    if (channelIndex < 0 || static_cast<std::size_t>(channelIndex) >= rights.size())
        return SearchGate::ChannelDenied;
    return rights[static_cast<std::size_t>(channelIndex)] != 0 ? SearchGate::Search
                                                               : SearchGate::ChannelDenied;
}

QString SearchLoginFailureText(std::int32_t result, const QString& deviceName, const StringTable& strings) {
    QString text;
    if (result == kOfflineDomainResult)
        text = QStringLiteral("%1 (%2)").arg(strings.Lookup(kLibraryErrorEntryBase)).arg(-1);
    else if (result >= -10 && result <= -1)
        text = QStringLiteral("%1 (%2)").arg(strings.Lookup(kLibraryErrorEntryBase - result)).arg(result);
    else if (result < 0)
        text = QStringLiteral("Unknown error: %1").arg(result);
    else
        text = RightsLevelMessage(result, strings);
    return deviceName + QLatin1Char(' ') + text;
}

}  // namespace strovik
