#include "app/TreePositions.h"

namespace strovik {

int ChannelStartPosition(const DeviceTreeModel& model, const DeviceTreeModel::TreeNode* node) {
    if (!node || !node->record() || !node->record()->isChannel()) return 1;
    int before = 0;
    bool found = false;
    model.forEachNode([&](const DeviceTreeModel::TreeNode& each) {
        if (found) return;
        if (&each == node) {
            found = true;
        } else if (each.record() && each.record()->isChannel()) {
            ++before;
        }
    });
    return found ? before + 1 : 1;
}

}  // namespace strovik
