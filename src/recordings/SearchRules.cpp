#include "recordings/SearchRules.h"

#include "devices/Verification.h"
#include "platform/StringTable.h"

namespace strovik {

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
    if (const std::optional<QString> error = LibraryErrorText(result, strings))
        text = *error;
    else if (result < 0)
        text = QStringLiteral("Unknown error: %1").arg(result);
    else
        text = RightsLevelMessage(result, strings);
    return deviceName + QLatin1Char(' ') + text;
}

}  // namespace strovik
