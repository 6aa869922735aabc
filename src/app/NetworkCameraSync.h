#pragma once

#include <QObject>
#include <QTimer>

#include <memory>

namespace strovik {

class DeviceTree;
class NetworkCameras;

// Makes the directory list exactly the cameras of other makes among the tree's devices, keyed by
// their address and port. Stream addresses that verification found for an ONVIF camera stay while
// its record keeps the same address and port: the device list does not hold them.
void FillNetworkCameras(const DeviceTree& tree, NetworkCameras& directory);

// Refills the directory whenever the device tree changes: loaded, edited, devices added from the
// LAN, deleted. Changes are coalesced into one refill when the GUI thread next runs its events, so
// that a list of thousands of devices costs one pass; refresh() fills at once. GUI thread only.
class NetworkCameraSync final : public QObject {
public:
    NetworkCameraSync(const DeviceTree& tree, std::shared_ptr<NetworkCameras> directory, QObject* parent = nullptr);

    void refresh();

private:
    const DeviceTree& tree_;
    const std::shared_ptr<NetworkCameras> directory_;
    QTimer pending_;
};

}  // namespace strovik
