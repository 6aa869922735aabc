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
        EditorValues camera;
        camera.name = id;
        camera.address = row.ip;
        camera.port = port;
        camera.userName = row.user.trimmed();
        camera.password = row.password.trimmed();
        camera.channelCount = 1;
        camera.deviceType = DeviceType::NetworkCamera;
        if (AddEditedDevice(tree, camera, SearchState::FoundOnLan)) ++added;
    }
    return added;
}

}  // namespace strovik
