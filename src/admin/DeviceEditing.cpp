#include "admin/DeviceEditing.h"

#include "devicelibs/cameras/RtspAddress.h"
#include "devices/DeviceTree.h"

#include <algorithm>

namespace strovik {

namespace {

template <typename Field>
bool fits(const QString& text) {
    return static_cast<std::size_t>(text.toUtf8().size()) <= Field::capacity;
}

using NameField = decltype(DeviceNode::name);
using AddressField = decltype(ConnectionInfo::address);
using UserField = decltype(ConnectionInfo::userName);
using PasswordField = decltype(ConnectionInfo::password);

// The icon a changed device shows: network camera 5, DVR 6, anything else 1.
int modifiedIcon(std::uint8_t type) {
    if (type == DeviceType::NetworkCamera) return 5;
    if (type == DeviceType::Dvr) return 6;
    return 1;
}

void applyConnection(ConnectionInfo& connection, const EditorValues& values) {
    connection.address = values.address;
    connection.port = values.port;
    connection.netType = 1;
    connection.serverType = 2;
    connection.deviceType = values.deviceType;
    connection.userName = values.userName;
    connection.password = values.password;
}

}  // namespace

QString CompleteEditorAddress(const QString& address, const QString& domain) {
    if (address.contains(QLatin1Char('.'))) return address;
    return address + QLatin1Char('.') + domain;
}

bool IsUsableSectionName(const QString& name) {
    const QString trimmed = TrimmedDeviceName(name);
    if (trimmed.isEmpty()) return false;
    if (trimmed.startsWith(QLatin1Char('[')) || trimmed.contains(QLatin1Char(']'))) return false;
    return !trimmed.contains(QLatin1Char('\n')) && !trimmed.contains(QLatin1Char('\r'));
}

EditorRefusal CheckEditorValues(const EditorValues& values) {
    if (values.address.isEmpty()) return EditorRefusal::EmptyAddress;
    if (!IsUsableSectionName(values.name)) return EditorRefusal::BadSectionName;
    if (!fits<NameField>(TrimmedDeviceName(values.name)) || !fits<AddressField>(values.address) ||
        !fits<UserField>(values.userName) || !fits<PasswordField>(values.password))
        return EditorRefusal::TooLong;
    if (values.camera.protocol == CameraProtocol::Rtsp &&
        (values.camera.channels.empty() || !IsRtspAddress(values.camera.channels.front().mainUrl)))
        return EditorRefusal::BadRtspAddress;
    return EditorRefusal::None;
}

bool AddEditedDevice(DeviceTree& tree, const EditorValues& values, std::int32_t searchState) {
    const QString name = TrimmedDeviceName(values.name);
    if (tree.DeviceNameTakenInList(name)) return false;
    auto device = std::make_unique<DeviceNode>();
    device->kind = NodeKind::Device;
    device->parentId = 0;
    device->id = tree.nextDeviceId();
    device->name = name;
    device->searchState = searchState;
    applyConnection(device->connection, values);
    device->camera = values.camera;
    device->channelCount = static_cast<std::uint8_t>(values.channelCount & 0xFF);
    tree.AddDeviceWithChannels(std::move(device), values.channelCount);
    return true;
}

bool RenameTakesAnotherName(const DeviceTree& tree, const DeviceNode& edited, const QString& newName) {
    // Every device of the edited one's name takes the new name with it (ModifyDevice).
    return DeviceListKey(newName) != DeviceListKey(edited.name.toQString()) && tree.DeviceNameTakenInList(newName);
}

void ModifyDevice(DeviceTree& tree, DeviceTreeModel::TreeNode& node, const EditorValues& values) {
    DeviceNode& record = *node.record();
    const NameField oldName = record.name;
    const AddressField oldAddress = record.connection.address;

    for (const auto& device : tree.devices()) {
        if (device->name == oldName) {
            device->name = TrimmedDeviceName(values.name);
            applyConnection(device->connection, values);
            device->camera = values.camera;
        }
    }
    for (const auto& channel : tree.channels())
        if (channel->connection.address == oldAddress) applyConnection(channel->connection, values);
    record.name = values.name;
    applyConnection(record.connection, values);
    record.camera = values.camera;

    DeviceTreeModel& model = tree.model();
    model.setText(&node, record.name.toQString());
    model.removeChildren(&node);
    model.setIcon(&node, modifiedIcon(values.deviceType));
    const int count = std::clamp(values.channelCount, 0, DeviceTree::kMaxChannelsPerDevice);
    for (int k = 1; k <= count; ++k) {
        model.AddOwnedNode(tree.DeriveChannel(record, k, 1), &node);
        model.expandAll(&node);
    }
}

TypeDefaults DefaultsForType(int type) {
    switch (type) {
        case DeviceType::CaptureCard:
            return {QStringLiteral("4"), QStringLiteral("admin"), QStringLiteral("vexor")};
        case DeviceType::Dvr:
            return {QStringLiteral("4"), QStringLiteral("1"), QLatin1String(kDvrDefaultPassword)};
        default:
            return {QStringLiteral("1"), QStringLiteral("admin"), QString()};
    }
}

}  // namespace strovik
