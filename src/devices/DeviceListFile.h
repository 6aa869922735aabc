#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

namespace strovik {

class DeviceTree;
class SecretStore;

inline constexpr char kDeviceListFileName[] = "StrovikList.ini";

// A section marked "PwdInKeyring=1" keeps its password in a SecretStore, under the key
// DeviceListSecretKey(path, section); its "Pwd" is empty.
inline constexpr char kPasswordInKeyringKey[] = "PwdInKeyring";
QString DeviceListSecretKey(const QString& path, const QString& section);

struct DeviceListLoad {
    int devicesAdded = 0;
    int autoSearchDevices = 0;  // added devices whose "AutoSearch" is above 0
    QString error;              // why the file could not be read; empty when it was (or is missing)
    // Devices whose password is in the secret store but could not be read from it (they load with
    // an empty password), and why. After the first failure the store is not asked again.
    QSet<QString> passwordsNotRead;
    QString secretStoreError;
};

// Appends the devices of the device list file to the tree, skipping names that already exist.
// Marked passwords are read from secrets (null: none are read, all count as not read).
DeviceListLoad LoadDeviceList(const QString& path, DeviceTree& tree, SecretStore* secrets = nullptr);

// Where SaveDeviceList puts the passwords.
struct DeviceListPasswords {
    SecretStore* secrets = nullptr;   // null: the file holds them all
    bool keepInSecretStore = false;   // the setting: passwords go into secrets, the file holds none
    // From the load: their entries stay as they are unless the device got a new password since.
    QSet<QString> notRead;
};

// Makes the file mirror the tree's device nodes: sections of devices no longer in the tree are
// erased, the others keep their place and key order. Written through a temporary file, so a crash
// never leaves half a list; the file holds passwords and is owner-only (0600) after every save.
// False with *error set when the file cannot be written.
// With passwords.keepInSecretStore, each password goes into the store; when the store fails, that
// password and the rest go into the file instead and *secretStoreWarning tells why. A password is
// never dropped: it is in the store or in the file. Entries of devices that are gone, or whose
// password moved back into the file, are removed from the store.
bool SaveDeviceList(const QString& path, const DeviceTree& tree, QString* error = nullptr,
                    const DeviceListPasswords& passwords = {}, QString* secretStoreWarning = nullptr);

}  // namespace strovik
