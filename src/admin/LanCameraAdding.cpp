#include "admin/LanCameraAdding.h"

#include "admin/DeviceEditing.h"
#include "devices/DeviceTree.h"
#include "devices/Functions.h"

namespace strovik {

QString DeviceNameForCamera(const DeviceTree& tree, const QString& deviceId) {
    if (tree.DeviceNameExists(deviceId)) return deviceId;
    const QString full = deviceId + QLatin1Char('.') + QLatin1String(kVendorDdnsDomain);
    if (tree.DeviceNameExists(full)) return full;
    return {};
}

int ApplyLanRows(DeviceTree& tree, const std::vector<LanCameraRow>& rows) {
    int added = 0;
    for (const LanCameraRow& row : rows) {
        const QString id = row.deviceId.trimmed();
        const auto port = static_cast<std::uint16_t>(row.videoPort.toInt());
        if (const QString known = DeviceNameForCamera(tree, id); !known.isEmpty()) {
            tree.ApplyLanDiscovery(known, row.ip, port);
            continue;
        }
        // An ID the operator corrected into something the device list cannot hold adds nothing.
        if (!row.checked || !IsUsableSectionName(id)) continue;
        auto device = std::make_unique<DeviceNode>();
        device->kind = NodeKind::Device;
        device->parentId = 0;
        device->id = tree.nextDeviceId();
        device->name = id;
        device->searchState = SearchState::FoundOnLan;
        device->connection.address = row.ip;
        device->connection.port = port;
        device->connection.netType = 1;
        device->connection.serverType = 2;
        device->connection.deviceType = DeviceType::NetworkCamera;
        device->connection.userName = row.user.trimmed();
        device->connection.password = row.password.trimmed();
        device->channelCount = 1;
        tree.AddDeviceWithChannels(std::move(device), 1);
        ++added;
    }
    return added;
}

}  // namespace strovik
