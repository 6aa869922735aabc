#pragma once

#include "devices/DeviceTreeModel.h"
#include "devices/LoginState.h"

#include <QString>

namespace strovik {

// DevListChange's choice: of the tree's device nodes named `name`, the last in tree order (the
// loop over the tree does not stop at the first match). Null when none is named so, or when the
// tree holds at most one node.
const DeviceTreeModel::TreeNode* ChosenDeviceNode(const DeviceTreeModel& model, const QString& name);

// The chosen device becomes the current one: its address, rights and port, and its firmware and
// channel rights (fixed for a single-channel device, which is never asked).
void MakeDeviceCurrent(LoginState& state, const DeviceNode& device);

}  // namespace strovik
