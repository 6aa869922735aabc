#include "recordings/DeviceChoice.h"

#include "devices/DeviceInfoQuery.h"

namespace strovik {

const DeviceTreeModel::TreeNode* ChosenDeviceNode(const DeviceTreeModel& model, const QString& name) {
    if (model.nodeCount() <= 1) return nullptr;
    const DeviceTreeModel::TreeNode* chosen = nullptr;
    model.forEachNode([&](const DeviceTreeModel::TreeNode& node) {
        if (node.isDevice() && node.record()->name.toQString() == name) chosen = &node;
    });
    return chosen;
}

void MakeDeviceCurrent(LoginState& state, const DeviceNode& device) {
    state.currentAddress = device.connection.address.toQString();
    state.currentRights = device.rights;
    state.currentPort = device.connection.port;
    if (device.channelCount == 1) {
        SetSingleChannelDeviceInfo(state);
    } else {
        state.currentVersion = device.deviceVersion;
        state.currentChannelRights = device.channelRights;
    }
}

}  // namespace strovik
