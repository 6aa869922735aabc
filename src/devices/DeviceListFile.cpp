#include "devices/DeviceListFile.h"

#include "devices/CameraListKeys.h"
#include "devices/DeviceTree.h"
#include "platform/IniFile.h"

#include <QSet>

#include <algorithm>

namespace strovik {

namespace {

const QString kAddr = QStringLiteral("Addr");
const QString kPort = QStringLiteral("Port");
const QString kChnCount = QStringLiteral("ChnCount");
const QString kNetType = QStringLiteral("NetType");
const QString kServerType = QStringLiteral("ServerType");
const QString kDeviceType = QStringLiteral("DeviceType");
const QString kUser = QStringLiteral("User");
const QString kPwd = QStringLiteral("Pwd");
const QString kAutoSearch = QStringLiteral("AutoSearch");

std::unique_ptr<DeviceNode> readDevice(const IniFile& ini, const QString& section, std::int32_t id) {
    auto device = std::make_unique<DeviceNode>();
    device->kind = NodeKind::Device;
    device->parentId = 0;
    device->id = id;
    device->name = TrimmedDeviceName(section);
    device->searchState = static_cast<std::int32_t>(ini.readInt(section, kAutoSearch, 0));
    device->connection.address = ini.readString(section, kAddr, QStringLiteral("127.0.0.1"));
    device->connection.port = static_cast<std::uint16_t>(ini.readInt(section, kPort, kDefaultDevicePort));
    device->connection.netType = 1;  // "NetType" is stored but every device uses type 1
    device->connection.serverType = 2;
    device->connection.deviceType = static_cast<std::uint8_t>(ini.readInt(section, kDeviceType, 0));
    device->connection.userName = ini.readString(section, kUser, QStringLiteral("admin"));
    device->connection.password = ini.readString(section, kPwd, QString());
    device->camera = ReadCameraKeys(ini, section);
    return device;
}

}  // namespace

DeviceListLoad LoadDeviceList(const QString& path, DeviceTree& tree) {
    DeviceListLoad result;
    const IniFile ini = IniFile::load(path);
    result.error = ini.errorString();

    // One set of the names present, so that a list of thousands of devices loads in linear time.
    QSet<QString> names;
    for (const auto& device : tree.devices()) names.insert(TrimmedDeviceName(device->name.toQString()));

    for (const QString& section : ini.sectionNames()) {
        const QString name = TrimmedDeviceName(section);
        if (names.contains(name)) continue;

        auto device = readDevice(ini, section, tree.nextDeviceId());
        // A hand-edited count may be negative or absurd; no device has more than the cap.
        const int channelCount = static_cast<int>(
            std::clamp<qint64>(ini.readInt(section, kChnCount, 4), 0, DeviceTree::kMaxChannelsPerDevice));
        device->channelCount = static_cast<std::uint8_t>(channelCount);
        if (device->searchState > 0) ++result.autoSearchDevices;

        names.insert(TrimmedDeviceName(device->name.toQString()));
        tree.AddDeviceWithChannels(std::move(device), channelCount);
        ++result.devicesAdded;
    }
    return result;
}

bool SaveDeviceList(const QString& path, const DeviceTree& tree, QString* error) {
    IniFile ini = IniFile::load(path);
    if (!ini.errorString().isEmpty()) {
        // Rewriting a file we could not read would throw its devices away.
        if (error) *error = ini.errorString();
        return false;
    }
    const auto& roots = tree.model().roots();

    QSet<QString> treeNames;
    for (const auto& node : roots) treeNames.insert(node->record()->name.toQString());
    for (const QString& section : ini.sectionNames())
        if (!treeNames.contains(section)) ini.eraseSection(section);

    for (const auto& node : roots) {
        const DeviceNode& device = *node->record();
        const QString section = device.name.toQString();
        ini.writeString(section, kAddr, device.connection.address.toQString());
        ini.writeInt(section, kPort, device.connection.port);
        ini.writeInt(section, kChnCount, static_cast<qint64>(node->children().size()));
        ini.writeInt(section, kNetType, device.connection.netType);
        ini.writeInt(section, kServerType, device.connection.serverType);
        ini.writeInt(section, kDeviceType, device.connection.deviceType);
        ini.writeString(section, kUser, device.connection.userName.toQString());
        ini.writeString(section, kPwd, device.connection.password.toQString());
        ini.writeInt(section, kAutoSearch, device.searchState > 0 ? 1 : 0);
        WriteCameraKeys(ini, section, device.camera);
    }
    if (ini.save()) return true;
    if (error) *error = ini.errorString();
    return false;
}

}  // namespace strovik
