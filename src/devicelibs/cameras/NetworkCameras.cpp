#include "devicelibs/cameras/NetworkCameras.h"

#include <QString>

namespace strovik {

std::string StreamUrlOf(const NetworkCamera& camera, int streamIndex) {
    const int count = static_cast<int>(camera.channels.size());
    if (streamIndex < 0 || count == 0) return {};
    const bool sub = streamIndex >= count;
    const int channel = sub ? streamIndex - count : streamIndex;
    if (channel >= count) return {};
    const CameraStreams& streams = camera.channels[static_cast<std::size_t>(channel)];
    return sub && !streams.subUrl.empty() ? streams.subUrl : streams.mainUrl;
}

NetworkCameras::Key NetworkCameras::KeyOf(std::string_view address, std::uint16_t port) {
    // Host names are case-insensitive; the device list keeps whatever case the operator typed.
    return {QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size())).trimmed().toLower().toStdString(),
            port};
}

void NetworkCameras::Put(std::string_view address, std::uint16_t port, NetworkCamera camera) {
    const std::lock_guard guard(lock_);
    if (camera.protocol == CameraProtocol::Native) {
        cameras_.erase(KeyOf(address, port));
        return;
    }
    cameras_[KeyOf(address, port)] = std::move(camera);
}

void NetworkCameras::Remove(std::string_view address, std::uint16_t port) {
    const std::lock_guard guard(lock_);
    cameras_.erase(KeyOf(address, port));
}

void NetworkCameras::SetChannels(std::string_view address, std::uint16_t port, std::vector<CameraStreams> channels) {
    const std::lock_guard guard(lock_);
    const auto found = cameras_.find(KeyOf(address, port));
    if (found != cameras_.end()) found->second.channels = std::move(channels);
}

void NetworkCameras::ReplaceAll(std::vector<std::pair<std::pair<std::string, std::uint16_t>, NetworkCamera>> cameras) {
    std::map<Key, NetworkCamera> fresh;
    for (auto& [where, camera] : cameras) {
        if (camera.protocol != CameraProtocol::Native) fresh[KeyOf(where.first, where.second)] = std::move(camera);
    }
    const std::lock_guard guard(lock_);
    cameras_ = std::move(fresh);
}

std::optional<NetworkCamera> NetworkCameras::Find(std::string_view address, std::uint16_t port) const {
    const std::lock_guard guard(lock_);
    const auto found = cameras_.find(KeyOf(address, port));
    if (found == cameras_.end()) return std::nullopt;
    return found->second;
}

}  // namespace strovik
