#include "devices/DeviceListFile.h"

#include "devices/CameraListKeys.h"
#include "devices/DeviceTree.h"
#include "platform/IniFile.h"
#include "platform/SecretStore.h"

#include <QFileInfo>

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
const QString kInKeyring = QLatin1String(kPasswordInKeyringKey);

bool passwordInKeyring(const IniFile& ini, const QString& section) { return ini.readInt(section, kInKeyring, 0) > 0; }

// Reads the marked passwords from the store; after its first failure the others are not asked
// for, so that a store that does not answer costs one time limit, not one per device.
class KeyringReader final {
public:
    KeyringReader(const QString& path, SecretStore* secrets, DeviceListLoad& result)
        : path_(path), secrets_(secrets), result_(result) {}

    QString password(const QString& section, const QString& name) {
        if (!secrets_ && result_.secretStoreError.isEmpty())
            result_.secretStoreError = QStringLiteral("no secret service is available to this program");
        if (result_.secretStoreError.isEmpty()) {
            SecretStore::ReadResult read = secrets_->read(DeviceListSecretKey(path_, section));
            if (read.error.isEmpty()) return read.secret.value_or(QString());
            result_.secretStoreError = read.error;
        }
        result_.passwordsNotRead.insert(name);
        return {};
    }

private:
    const QString& path_;
    SecretStore* secrets_;
    DeviceListLoad& result_;
};

// Cutting a text to its field may leave blanks at its end, which the next load would trim: the
// field keeps the text as that load will read it.
template <typename Field>
void assignCutAndTrimmed(Field& field, const QString& text) {
    field = text;
    field = field.toQString().trimmed();
}

std::unique_ptr<DeviceNode> readDevice(const IniFile& ini, const QString& section, std::int32_t id) {
    auto device = std::make_unique<DeviceNode>();
    device->kind = NodeKind::Device;
    device->parentId = 0;
    device->id = id;
    assignCutAndTrimmed(device->name, TrimmedDeviceName(section));
    device->searchState = static_cast<std::int32_t>(ini.readInt(section, kAutoSearch, 0));
    assignCutAndTrimmed(device->connection.address, ini.readString(section, kAddr, QStringLiteral("127.0.0.1")));
    device->connection.port = static_cast<std::uint16_t>(ini.readInt(section, kPort, kDefaultDevicePort));
    device->connection.netType = 1;  // "NetType" is stored but every device uses type 1
    device->connection.serverType = 2;
    device->connection.deviceType = static_cast<std::uint8_t>(ini.readInt(section, kDeviceType, 0));
    assignCutAndTrimmed(device->connection.userName, ini.readString(section, kUser, QStringLiteral("admin")));
    assignCutAndTrimmed(device->connection.password, ini.readString(section, kPwd, QString()));
    device->camera = ReadCameraKeys(ini, section);
    return device;
}

}  // namespace

QString DeviceListSecretKey(const QString& path, const QString& section) {
    return QFileInfo(path).absoluteFilePath() + QLatin1Char('/') + section;
}

DeviceListLoad LoadDeviceList(const QString& path, DeviceTree& tree, SecretStore* secrets) {
    DeviceListLoad result;
    const IniFile ini = IniFile::load(path);
    result.error = ini.errorString();

    // One set of the names present, so that a list of thousands of devices loads in linear time.
    // Sections the file cannot tell apart ("Gate", "gate") read the same keys: they are one device.
    QSet<QString> names;
    for (const auto& device : tree.devices()) names.insert(DeviceListKey(device->name.toQString()));
    KeyringReader keyring(path, secrets, result);

    for (const QString& section : ini.sectionNames()) {
        if (names.contains(DeviceListKey(section))) continue;
        auto device = readDevice(ini, section, tree.nextDeviceId());
        // The name as the record keeps it (cut to its field, up to a stray NUL): two sections that
        // differ only beyond that would be one device twice, and a save would merge them.
        if (names.contains(DeviceListKey(device->name.toQString()))) continue;
        if (passwordInKeyring(ini, section))
            device->connection.password = keyring.password(section, device->name.toQString());
        // A hand-edited count may be negative or absurd; no device has more than the cap.
        const int channelCount = static_cast<int>(
            std::clamp<qint64>(ini.readInt(section, kChnCount, 4), 0, DeviceTree::kMaxChannelsPerDevice));
        device->channelCount = static_cast<std::uint8_t>(channelCount);
        if (device->searchState > 0) ++result.autoSearchDevices;

        names.insert(DeviceListKey(device->name.toQString()));
        tree.AddDeviceWithChannels(std::move(device), channelCount);
        ++result.devicesAdded;
    }
    return result;
}

bool SaveDeviceList(const QString& path, const DeviceTree& tree, QString* error, const DeviceListPasswords& passwords,
                    QString* secretStoreWarning) {
    IniFile ini = IniFile::load(path);
    if (!ini.errorString().isEmpty()) {
        // Rewriting a file we could not read would throw its devices away.
        if (error) *error = ini.errorString();
        return false;
    }
    const auto& roots = tree.model().roots();

    QSet<QString> treeNames;
    for (const auto& node : roots) treeNames.insert(node->record()->name.toQString());
    // Store entries are removed only once the file no longer points at them (after the save).
    QStringList unusedSecrets;
    for (const QString& section : ini.sectionNames()) {
        if (treeNames.contains(section)) continue;
        if (passwordInKeyring(ini, section)) unusedSecrets.push_back(section);
        ini.eraseSection(section);
    }
    QString storeError;
    int passwordsInFile = 0;

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
        const QString password = device.connection.password.toQString();
        const bool wasInKeyring = passwordInKeyring(ini, section);
        // A password that is in the store but could not be read stays there, with its marker.
        const bool unread = wasInKeyring && password.isEmpty() && passwords.notRead.contains(device.name.toQString());
        bool stored = false;
        if (!unread && passwords.keepInSecretStore && passwords.secrets && storeError.isEmpty()) {
            storeError = passwords.secrets->write(DeviceListSecretKey(path, section), password);
            stored = storeError.isEmpty();
        }
        if (stored) {
            ini.writeString(section, kPwd, QString());
            ini.writeInt(section, kInKeyring, 1);
        } else if (!unread) {
            ini.writeString(section, kPwd, password);
            if (wasInKeyring) {
                ini.writeInt(section, kInKeyring, 0);
                unusedSecrets.push_back(section);
            }
            ++passwordsInFile;
        }
        ini.writeInt(section, kAutoSearch, device.searchState > 0 ? 1 : 0);
        WriteCameraKeys(ini, section, device.camera);
    }
    if (!storeError.isEmpty() && secretStoreWarning)
        *secretStoreWarning = QStringLiteral("The desktop's secret service could not keep the device passwords (%1). "
                                             "%2 of them were saved in %3 instead, readable by you only.")
                                  .arg(storeError)
                                  .arg(passwordsInFile)
                                  .arg(path);
    if (!ini.save(IniFile::FileAccess::OwnerOnly)) {
        if (error) *error = ini.errorString();
        return false;
    }
    if (passwords.secrets)
        for (const QString& section : unusedSecrets) passwords.secrets->remove(DeviceListSecretKey(path, section));
    return true;
}

}  // namespace strovik
