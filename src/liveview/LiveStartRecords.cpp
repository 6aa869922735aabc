#include "liveview/LiveStartRecords.h"

#include "devices/Functions.h"

namespace strovik {

namespace {

constexpr std::uint8_t kNetTypeUnitsLimit = 10;
constexpr std::size_t kRelayAddressChars = 15;

}  // namespace

std::string PrepareLibraryAddress(const QString& address) {
    if (IsVendorDomain(address.trimmed())) return address.toStdString();
    return ResolveToIp(address).toStdString();
}

ClientStartInfo FillClientStartInfo(const ConnectionInfo& connection, std::string preparedAddress,
                                    RenderTarget* window) {
    ClientStartInfo info;
    info.channelIndex = static_cast<std::uint8_t>(connection.channelIndex & 0xFF);
    const std::uint8_t netType = connection.netType;
    info.netTypeUnits = netType <= kNetTypeUnitsLimit ? netType : netType % 10;
    info.netTypeTens = netType <= kNetTypeUnitsLimit ? 0 : static_cast<std::uint8_t>(netType - info.netTypeUnits);
    info.port = static_cast<std::int32_t>(connection.port);
    info.address = std::move(preparedAddress);
    info.userName = connection.userName.str();
    info.password = connection.password.str();
    info.reserved20 = -1;
    info.window = window;
    return info;
}

bool UsesRelay(const ConnectionInfo& connection) {
    return !connection.relayAddress.view().empty() && connection.relayPort > 0;
}

RelayInfo FillRelayInfo(const ConnectionInfo& connection, const std::string& preparedRelayAddress) {
    RelayInfo relay;
    relay.address = std::string(CutUtf8(preparedRelayAddress, kRelayAddressChars));
    relay.port = connection.relayPort;
    return relay;
}

std::uint16_t LinkTypeOf(const ConnectionInfo& connection) {
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(static_cast<std::int8_t>(connection.serverType)));
}

bool ShowsSameStream(const ConnectionInfo& shown, const ConnectionInfo& requested) {
    if (shown.deviceName.view() != requested.deviceName.view()) return false;
    return requested.deviceType == DeviceType::NetworkCamera || shown.channelIndex == requested.channelIndex;
}

bool IsAutoSearchedCamera(const ConnectionInfo& connection) {
    return connection.deviceType == DeviceType::NetworkCamera && connection.searchState > 0;
}

std::chrono::milliseconds ReconnectInterval(const ConnectionInfo& connection) {
    using namespace std::chrono_literals;
    return IsAutoSearchedCamera(connection) ? 20000ms : 35000ms;
}

QString StartFailureText(std::int32_t code) {
    return QStringLiteral("(%1)").arg(code);
}

}  // namespace strovik
