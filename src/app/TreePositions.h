#pragma once

#include "devices/DeviceTreeModel.h"

namespace strovik {

// The 1-based position of a channel node among all channel nodes of the tree, in tree order
// (the first device's channels, then the next device's); 1 for anything that is not a channel
// node of the model.
int ChannelStartPosition(const DeviceTreeModel& model, const DeviceTreeModel::TreeNode* node);

}  // namespace strovik
