#include "liveview/PtzCommands.h"

#include "devices/Functions.h"

namespace strovik {

namespace {

constexpr std::int32_t kRightsAll = 58;
constexpr std::int32_t kRightsPtzOnly = 42;
constexpr std::uint8_t kAutoCode = 200;
constexpr std::uint8_t kWiperOnCode = 117;
constexpr std::uint8_t kWiperOffCode = 127;

}  // namespace

bool PtzRightsPermit(std::int32_t rights) {
    return rights == kRightsAll || rights == kRightsPtzOnly;
}

PtzPressAction PtzPressActionFor(std::int32_t rights) {
    if (PtzRightsPermit(rights)) return PtzPressAction::Send;
    return rights >= 0 ? PtzPressAction::ShowRightsMessage : PtzPressAction::Nothing;
}

bool IsPtzReleaseCode(std::uint8_t code) {
    return (code >= 105 && code <= 108) || (code >= 121 && code <= 126);
}

std::optional<std::uint8_t> PtzReleaseCode(std::uint8_t pressCode) {
    if (pressCode == kAutoCode || pressCode == kWiperOnCode || pressCode == kWiperOffCode)
        return std::nullopt;
    const int offset = pressCode >= 101 && pressCode <= 104 ? 4 : 10;
    return static_cast<std::uint8_t>(pressCode + offset);
}

const DeviceNode* FindPtzDevice(const std::vector<std::unique_ptr<DeviceNode>>& devices,
                                const QString& deviceName) {
    const QString wanted = deviceName.trimmed();
    for (const auto& device : devices)
        if (device && device->name.toQString().trimmed() == wanted) return device.get();
    return nullptr;
}

bool PtzUsesLibraryPath(const DeviceVersion& version, bool singleChannel) {
    return singleChannel || version.major > 9 || (version.major == 9 && version.minor >= 7) ||
           version.major == 0;
}

PtzPath ChoosePtzPath(const DeviceVersion& version, bool singleChannel, bool vendorDomain) {
    if (PtzUsesLibraryPath(version, singleChannel)) return PtzPath::Library;
    return vendorDomain ? PtzPath::VendorDomain : PtzPath::RawSocket;
}

std::int32_t PtzSessionPort(std::uint16_t devicePort, std::int32_t base) {
    return static_cast<std::int32_t>(devicePort) - 10 + base;
}

PtzOrder PlanPtzCommand(const PtzWindow& window, const DeviceNode& device, PtzCommandFields command) {
    const bool singleChannel = device.channelCount == 1;
    // Every path addresses the selected window's device, as its verification reaches it.
    const QString address = CompleteDeviceAddress(window.connection.address.toQString().trimmed());
    PtzOrder order;
    order.target.path = ChoosePtzPath(device.deviceVersion, singleChannel, IsVendorDomain(address));
    order.target.address = address;
    switch (order.target.path) {
        case PtzPath::Library:
            order.target.libraryPort = PtzSessionPort(window.connection.port, kPtzSessionPortBase);
            break;
        case PtzPath::VendorDomain:
            order.target.libraryPort = PtzSessionPort(window.connection.port, kOlderPtzSessionPortBase);
            order.target.socketPort = window.stream.streamPort;
            break;
        case PtzPath::RawSocket:
            order.target.socketPort = window.stream.streamPort;
            break;
    }

    if (singleChannel) command.group = PtzGroup::SingleChannel;
    command.channel = static_cast<std::uint8_t>(window.stream.channelNo & 0xff);
    command.userName = window.connection.userName.view();
    command.password = window.connection.password.view();
    order.record = BuildPtzCommand(command);
    return order;
}

}  // namespace strovik
