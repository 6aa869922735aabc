#include "devices/Verification.h"

#include "devicelibs/TcpClientLibrary.h"
#include "devices/DeviceInfoQuery.h"
#include "devices/Functions.h"
#include "platform/StringTable.h"

namespace strovik {

namespace {

constexpr int kUnknownUserEntry = 16;
constexpr int kWrongPasswordEntry = 17;
constexpr int kLowRightsEntry = 18;
constexpr int kNotVerifiedEntry = 15;
constexpr int kLibraryErrorEntryBase = 4100;  // entry 4100 + k for library error -k
constexpr int kDefaultChannelCount = 16;

QString unknownError(std::int32_t answer) { return QStringLiteral("Unknown error: %1").arg(answer); }

}  // namespace

VerifyAnswer DecodeVerifyAnswer(std::int32_t answer) {
    if (answer >= 100) return {answer / 100, answer % 100};
    return {0, answer};
}

void UpdateLoginChannelCount(LoginState& state, const VerifyAnswer& answer) {
    if (answer.channelCount != 0) state.loginChannelCount = answer.channelCount;
    if (state.loginChannelCount == 0) state.loginChannelCount = kDefaultChannelCount;
}

QString RightsLevelMessage(int rightsLevel, const StringTable& strings) {
    if (rightsLevel <= 0) return strings.Lookup(kUnknownUserEntry);
    if (rightsLevel == 1) return strings.Lookup(kWrongPasswordEntry);
    if (rightsLevel <= 16) return strings.Lookup(kLowRightsEntry);
    return strings.Lookup(kNotVerifiedEntry);
}

std::optional<QString> LibraryErrorText(std::int32_t result, const StringTable& strings) {
    if (result == kOfflineDomainResult)
        return QStringLiteral("%1 (%2)").arg(strings.Lookup(kLibraryErrorEntryBase)).arg(-1);
    if (result >= -10 && result <= -1)
        return QStringLiteral("%1 (%2)").arg(strings.Lookup(kLibraryErrorEntryBase - result)).arg(result);
    return std::nullopt;
}

QString LoginFailureMessage(std::int32_t answer, const QString& host, const QString& address,
                            const StringTable& strings) {
    if (answer == -1 && host == QLatin1String(kOfflineDomainHost))
        return QStringLiteral("%1, %2 (%3)").arg(address, strings.Lookup(kLibraryErrorEntryBase)).arg(answer);
    if (answer >= -10 && answer <= -1)
        return QStringLiteral("%1 (%2)").arg(strings.Lookup(kLibraryErrorEntryBase - answer)).arg(answer);
    return unknownError(answer);
}

void AskDevice(TcpClientLibrary& library, DeviceVerification& verification, const QString& password,
               const QString& userName) {
    verification.completedAddress = CompleteDeviceAddress(verification.address);
    verification.host = LibraryHost(verification.completedAddress);
    verification.answer = library.NV_VerifyUser(VerifyUserRequest{
        userName.toStdString(), password.toStdString(), verification.host.toStdString(),
        static_cast<std::int32_t>(verification.port + kCommandPortOffset)});
}

std::int32_t ApplyDeviceAnswer(TcpClientLibrary& library, LoginState& state, const DeviceVerification& verification,
                               DeviceInfoFetch fetch) {
    state.loginByVendorDomain = IsVendorDomain(verification.completedAddress);
    const std::int32_t answer = verification.answer;
    if (answer <= 0)
        return answer == -1 && verification.host == QLatin1String(kOfflineDomainHost) ? kOfflineDomainResult : answer;

    const VerifyAnswer decoded = DecodeVerifyAnswer(answer);
    UpdateLoginChannelCount(state, decoded);
    if (decoded.rightsLevel < kVerifiedRights) return decoded.rightsLevel;

    state.currentRights = decoded.rightsLevel;
    state.currentAddress = verification.completedAddress;
    state.currentPort = verification.port;
    if (verification.channels == DeviceChannels::Single) {
        SetSingleChannelDeviceInfo(state);
    } else if (fetch == DeviceInfoFetch::ByCaller) {
        BeginDeviceInfoQuery(library, state);
    } else {
        QueryDeviceInfo(library, state);
    }
    return decoded.rightsLevel;
}

std::int32_t VerifyDevice(TcpClientLibrary& library, LoginState& state, const QString& address, std::uint32_t port,
                          DeviceChannels channels, const QString& password, const QString& userName) {
    DeviceVerification verification{address, port, channels, {}, {}, 0};
    AskDevice(library, verification, password, userName);
    return ApplyDeviceAnswer(library, state, verification);
}

}  // namespace strovik
