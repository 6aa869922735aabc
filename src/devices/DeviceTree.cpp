#include "devices/DeviceTree.h"

#include "platform/IniFile.h"
#include "platform/StringTable.h"

#include <algorithm>

namespace strovik {

std::uint16_t ChannelStreamPort(std::uint16_t devicePort) {
    if (devicePort == kDefaultDevicePort) return 6789;
    return static_cast<std::uint16_t>(devicePort + 10000);
}

QString TrimmedDeviceName(const QString& name) { return name.trimmed(); }

QString DeviceListKey(const QString& name) { return IniFile::foldedName(TrimmedDeviceName(name)); }

DeviceTree::DeviceTree(const StringTable& strings) : strings_(strings) {}

DeviceTree::~DeviceTree() { releaseAll(); }

std::unique_ptr<DeviceNode> DeviceTree::DeriveChannel(const DeviceNode& device, int k, std::int32_t parentId) const {
    return deriveChannel(device, k, parentId, strings_.Lookup(14));
}

std::unique_ptr<DeviceNode> DeviceTree::deriveChannel(const DeviceNode& device, int k, std::int32_t parentId,
                                                      const QString& caption) {
    auto channel = std::make_unique<DeviceNode>();
    channel->kind = NodeKind::Channel;
    channel->parentId = parentId;
    channel->id = k;
    channel->connection = device.connection;
    channel->connection.channelIndex = k - 1;
    channel->name = caption + QString::number(k);
    channel->stream.channelAddress = device.connection.address.view();
    channel->stream.streamPort = ChannelStreamPort(device.connection.port);
    channel->stream.channelNo = static_cast<std::uint16_t>(k);
    return channel;
}

void DeviceTree::releaseAll() {
    model_.clear();
    channels_.clear();
    devices_.clear();
}

bool DeviceTree::RemoveDevice(TreeNode* node) {
    if (!node || node->parent() || !node->isDevice()) return false;
    const DeviceNode* record = node->record();
    const auto position = std::find_if(devices_.begin(), devices_.end(),
                                       [&](const auto& device) { return device.get() == record; });
    // The node goes first: it points to the record.
    model_.removeNode(node);
    if (position != devices_.end()) devices_.erase(position);
    return true;
}

void DeviceTree::ClearDevices() {
    model_.clear();
    devices_.clear();
}

void DeviceTree::RebuildTree(const LoggedInDevice* login) {
    releaseAll();
    if (!login) return;

    auto device = std::make_unique<DeviceNode>();
    device->kind = NodeKind::Device;
    device->parentId = 0;
    device->id = 1;
    device->name = login->name.trimmed();
    device->connection.address = login->address;
    device->connection.port = login->port;
    device->connection.netType = 1;
    device->connection.serverType = login->serverType;
    device->connection.userName = login->userName;
    device->connection.password = login->password;
    devices_.push_back(std::move(device));

    const int count = std::clamp(login->channelCount, 0, kMaxChannelsPerDevice);
    const QString caption = strings_.Lookup(14);
    for (int k = 1; k <= count; ++k) channels_.push_back(deriveChannel(*devices_.front(), k, 1, caption));

    for (const auto& each : devices_) addDeviceSubtree(each.get(), 0);
    model_.expandAll(model_.firstNode());
}

DeviceTree::TreeNode* DeviceTree::addDeviceSubtree(DeviceNode* device, std::size_t firstChannel) {
    TreeNode* node = model_.AddDeviceNode(device, nullptr);
    if (!node) return nullptr;
    for (std::size_t i = firstChannel; i < channels_.size(); ++i)
        if (channels_[i]->parentId == device->id) model_.AddDeviceNode(channels_[i].get(), node);
    return node;
}

DeviceTree::TreeNode* DeviceTree::AddDeviceWithChannels(std::unique_ptr<DeviceNode> device, int count) {
    if (!device) return nullptr;
    DeviceNode* added = devices_.emplace_back(std::move(device)).get();
    const std::size_t firstChannel = channels_.size();
    count = std::clamp(count, 0, kMaxChannelsPerDevice);
    const QString caption = strings_.Lookup(14);
    for (int k = 1; k <= count; ++k) channels_.push_back(deriveChannel(*added, k, added->id, caption));
    TreeNode* node = addDeviceSubtree(added, firstChannel);
    model_.expandAll(node);
    return node;
}

bool DeviceTree::DeviceNameExists(const QString& name) const {
    const QString wanted = TrimmedDeviceName(name);
    return std::any_of(devices_.begin(), devices_.end(), [&](const auto& device) {
        return TrimmedDeviceName(device->name.toQString()) == wanted;
    });
}

bool DeviceTree::DeviceNameTakenInList(const QString& name) const {
    const QString wanted = DeviceListKey(name);
    return std::any_of(devices_.begin(), devices_.end(),
                       [&](const auto& device) { return DeviceListKey(device->name.toQString()) == wanted; });
}

bool DeviceTree::ApplyLanDiscovery(const QString& deviceName, const QString& address, std::uint16_t port) {
    if (model_.nodeCount() < 2) return false;

    TreeNode* target = nullptr;
    model_.forEachNode([&](TreeNode& node) {
        if (!target && node.isDevice() && node.record()->name.toQString() == deviceName) target = &node;
    });
    if (!target) return false;

    DeviceNode& found = *target->record();
    found.searchState = SearchState::FoundOnLan;
    const std::string formerAddress = found.connection.address.str();

    auto moveToCamera = [&](DeviceNode& record) {
        record.connection.address = address;
        record.connection.port = port;
        record.connection.netType = 1;
        record.connection.serverType = 2;
        record.connection.deviceType = DeviceType::NetworkCamera;
    };
    for (const auto& device : devices_) {
        if (device->name == found.name) {
            moveToCamera(*device);
            device->searchState = SearchState::FoundOnLan;
        }
    }
    for (const auto& channel : channels_)
        if (channel->connection.address.view() == formerAddress) moveToCamera(*channel);
    moveToCamera(found);

    model_.setText(target, found.name.toQString());
    model_.removeChildren(target);
    model_.setIcon(target, TreeIconFor(found));
    model_.AddOwnedNode(DeriveChannel(found, 1, 1), target);
    model_.expandAll(target);
    return true;
}

}  // namespace strovik
