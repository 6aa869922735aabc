#include "app/NetworkCameraSync.h"

#include "devicelibs/cameras/NetworkCameras.h"
#include "devices/DeviceTree.h"

namespace strovik {

void FillNetworkCameras(const DeviceTree& tree, NetworkCameras& directory) {
    std::vector<std::pair<std::pair<std::string, std::uint16_t>, NetworkCamera>> cameras;
    for (const auto& device : tree.devices()) {
        if (device->camera.protocol == CameraProtocol::Native) continue;
        std::pair<std::string, std::uint16_t> where{device->connection.address.str(), device->connection.port};
        NetworkCamera camera = device->camera;
        if (camera.protocol == CameraProtocol::Onvif && camera.channels.empty()) {
            if (const auto known = directory.Find(where.first, where.second);
                known && known->protocol == CameraProtocol::Onvif)
                camera.channels = known->channels;
        }
        cameras.emplace_back(std::move(where), std::move(camera));
    }
    directory.ReplaceAll(std::move(cameras));
}

NetworkCameraSync::NetworkCameraSync(const DeviceTree& tree, std::shared_ptr<NetworkCameras> directory,
                                     QObject* parent)
    : QObject(parent), tree_(tree), directory_(std::move(directory)) {
    pending_.setSingleShot(true);
    pending_.setInterval(0);
    connect(&pending_, &QTimer::timeout, this, &NetworkCameraSync::refresh);
    const DeviceTreeModel& model = tree_.model();
    const auto schedule = [this] { pending_.start(); };
    connect(&model, &QAbstractItemModel::rowsInserted, this, schedule);
    connect(&model, &QAbstractItemModel::rowsRemoved, this, schedule);
    connect(&model, &QAbstractItemModel::modelReset, this, schedule);
    connect(&model, &QAbstractItemModel::dataChanged, this, schedule);
}

void NetworkCameraSync::refresh() {
    pending_.stop();
    if (directory_) FillNetworkCameras(tree_, *directory_);
}

}  // namespace strovik
