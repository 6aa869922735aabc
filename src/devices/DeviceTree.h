#pragma once

#include "devices/DeviceNode.h"
#include "devices/DeviceTreeModel.h"

#include <QString>

#include <memory>
#include <vector>

namespace strovik {

class StringTable;

// The device logged in through the login page, as RebuildTree puts it at the top of the tree.
struct LoggedInDevice {
    QString name;  // the address box text, blanks trimmed
    QString address;
    std::uint16_t port = kDefaultDevicePort;
    std::uint8_t serverType = 2;
    QString userName;
    QString password;
    int channelCount = 0;
};

// The operator's devices: the two record lists `devices` and `channels`, which own their records,
// and the tree that shows them. Every operation runs on the main thread.
class DeviceTree final {
public:
    using RecordList = std::vector<std::unique_ptr<DeviceNode>>;
    using TreeNode = DeviceTreeModel::TreeNode;

    // strings gives the channel caption (ID 14); it must outlive the tree.
    explicit DeviceTree(const StringTable& strings);
    ~DeviceTree();

    DeviceTreeModel& model() { return model_; }
    const DeviceTreeModel& model() const { return model_; }
    const RecordList& devices() const { return devices_; }
    const RecordList& channels() const { return channels_; }

    // Channel k (1-based) of device, with the given parentId: the device's connection copied with
    // channelIndex k - 1, name "<ID 14>k", the stream endpoint by the port rule.
    std::unique_ptr<DeviceNode> DeriveChannel(const DeviceNode& device, int k, std::int32_t parentId) const;

    // Empties tree and lists (releasing every record) and, when login is given, adds the logged-in
    // device (id 1) with its channels and expands it.
    void RebuildTree(const LoggedInDevice* login);
    // Appends device and count channels to the lists and the tree; nothing when device is null.
    TreeNode* AddDeviceWithChannels(std::unique_ptr<DeviceNode> device, int count);
    // Whether a device's name, blanks trimmed, equals name with its blanks trimmed (case-sensitive).
    bool DeviceNameExists(const QString& name) const;
    // Whether the device list file could not keep a device of this name apart from one in the tree:
    // its section names compare without regard to letter case, so "Gate" and "gate" would share one
    // section and a save would lose a device.
    bool DeviceNameTakenInList(const QString& name) const;
    // Gives the device named deviceName the address and port of a camera found on the LAN, marks it
    // found and replaces its channel nodes by one. False when nothing was updated.
    bool ApplyLanDiscovery(const QString& deviceName, const QString& address, std::uint16_t port);
    // Deletes a device node with its children from the tree and its record from `devices` (the
    // later devices move one position down). Its channel records stay in `channels` until the lists
    // are rebuilt. False when node is not a top-level device node.
    bool RemoveDevice(TreeNode* node);
    // Deletes every device record and every tree node; `channels` keeps its records.
    void ClearDevices();
    // Releases every record: lists, tree and tree-only channels.
    void releaseAll();

    // The next id a device added now gets: the number of devices already in the list.
    std::int32_t nextDeviceId() const { return static_cast<std::int32_t>(devices_.size()); }

    // The most channels a device may have; larger counts from files or devices are cut to it.
    static constexpr int kMaxChannelsPerDevice = 1024;

private:
    static std::unique_ptr<DeviceNode> deriveChannel(const DeviceNode& device, int k, std::int32_t parentId,
                                                     const QString& caption);
    TreeNode* addDeviceSubtree(DeviceNode* device, std::size_t firstChannel);

    const StringTable& strings_;
    RecordList devices_;
    RecordList channels_;
    DeviceTreeModel model_;
};

// The name comparison the device list uses everywhere: leading and trailing blanks do not count.
QString TrimmedDeviceName(const QString& name);
// The name as the device list file tells devices apart: blanks trimmed, letter case folded.
QString DeviceListKey(const QString& name);

}  // namespace strovik
