#pragma once

#include "devices/LoginState.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace strovik {

class StringTable;
class TcpClientLibrary;

// Rights levels of 32 and above mean the user is verified; the exact value is what PTZ and record
// search test.
inline constexpr std::int32_t kVerifiedRights = 32;
// VerifyDevice's own result for a library error -1 on a host that resolved to 127.0.0.1: the
// vendor DDNS answers that address for a device that is offline.
inline constexpr std::int32_t kOfflineDomainResult = -11;
inline constexpr char kOfflineDomainHost[] = "127.0.0.1";
// Verification, command connections and transfers reach a device on its port + 2000.
inline constexpr std::uint32_t kCommandPortOffset = 2000;

// A positive verification answer: the channel count (0 when not reported) and the rights level.
struct VerifyAnswer {
    int channelCount = 0;
    int rightsLevel = 0;
};
// answer must be positive: 1..99 is the rights level alone, 100 and above channels * 100 + rights.
VerifyAnswer DecodeVerifyAnswer(std::int32_t answer);

// A reported channel count becomes loginChannelCount; when none is known afterwards it is 16.
void UpdateLoginChannelCount(LoginState& state, const VerifyAnswer& answer);

// The message for a rights level below 32: the user is unknown (0), the password wrong (1), the
// rights too low (2..16), or not verified (17..31).
QString RightsLevelMessage(int rightsLevel, const StringTable& strings);

// A channel's or a search's login result that is a library error: its text with its code, the
// offline-domain result told as library error -1. Nothing for any other result.
std::optional<QString> LibraryErrorText(std::int32_t result, const StringTable& strings);

// The login page's message for a failed verification (answer <= 0) of address, whose library host
// was host.
QString LoginFailureMessage(std::int32_t answer, const QString& host, const QString& address,
                            const StringTable& strings);

enum class DeviceChannels { Several, Single };

// Verifies user and password on the device at address:port through the library and returns the
// library's error (-10..0 and below), kOfflineDomainResult, or the rights level. A verified result
// makes the device current (currentRights, currentAddress, currentPort) and fetches its firmware
// version and channel rights: fixed for a single-channel device, by QueryDeviceInfo otherwise.
// Blocks the caller for as long as the library's verification may take (bounded by the library).
std::int32_t VerifyDevice(TcpClientLibrary& library, LoginState& state, const QString& address, std::uint32_t port,
                          DeviceChannels channels, const QString& password, const QString& userName);

// VerifyDevice in two halves, for callers that keep the blocking half off the GUI thread.
struct DeviceVerification {
    QString address;  // as given
    std::uint32_t port = 0;
    DeviceChannels channels = DeviceChannels::Several;
    QString completedAddress;  // filled by AskDevice
    QString host;              // filled by AskDevice
    std::int32_t answer = 0;   // the library's answer, filled by AskDevice
};
// The blocking half, on any thread: resolves the address and asks the device. Touches no state.
void AskDevice(TcpClientLibrary& library, DeviceVerification& verification, const QString& password,
               const QString& userName);
// The other half, on the main thread: VerifyDevice's result, with the state updated as it says.
// With DeviceInfoFetch::ByCaller the device-information query that a verified device of several
// channels is due (NeedsDeviceInfoQuery) is only begun: the caller connects and finishes it.
enum class DeviceInfoFetch { Now, ByCaller };
std::int32_t ApplyDeviceAnswer(TcpClientLibrary& library, LoginState& state, const DeviceVerification& verification,
                               DeviceInfoFetch fetch = DeviceInfoFetch::Now);
inline bool NeedsDeviceInfoQuery(const DeviceVerification& verification, std::int32_t result) {
    return result >= kVerifiedRights && verification.channels == DeviceChannels::Several;
}

}  // namespace strovik
