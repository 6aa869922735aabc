// The files that hold passwords are owner-only after every save, whatever rights an older copy
// had and whatever the process's umask lets new files have.
#include "devices/DeviceListFile.h"
#include "devices/DeviceTree.h"
#include "platform/StoredLogin.h"
#include "platform/StringTable.h"

#include "support/FileMode.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

#include <sys/stat.h>

#include <functional>

namespace strovik {
namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kWorldReadable =
    kOwnerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther;  // 0644

// The process's umask for the lifetime of the object: 0 gives every new file 0666 unless the
// program asks for less.
class ScopedUmask final {
public:
    explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t previous_;
};

TEST(SecretFileModes, PasswordFilesAreOwnerOnlyAfterEverySave) {
    StringTable strings;
    DeviceTree tree(strings);
    auto device = std::make_unique<DeviceNode>();
    device->kind = NodeKind::Device;
    device->name = QStringLiteral("Gate");
    device->connection.password = QStringLiteral("gate-secret");
    tree.AddDeviceWithChannels(std::move(device), 1);

    const struct {
        const char* name;
        const char* fileName;
        std::function<bool(const QString& path)> save;
    } stores[] = {
        {"device list", kDeviceListFileName, [&](const QString& path) { return SaveDeviceList(path, tree); }},
        {"stored login", "Strovik.conf",
         [](const QString& path) {
             return StoredLoginStore(path).write(StoredLogin{"127.0.0.2", 5050, "admin", "login-secret", true});
         }},
    };
    const ScopedUmask openUmask(0);
    for (const auto& store : stores) {
        for (const bool existedWorldReadable : {false, true}) {
            SCOPED_TRACE(std::string(store.name) + (existedWorldReadable ? ", over a 0644 file" : ", new file"));
            const test::TempDir dir;
            const QString path = dir.file(QLatin1String(store.fileName));
            if (existedWorldReadable) {
                dir.write(QLatin1String(store.fileName), "[Old]\nPwd=old-secret\n");
                ASSERT_TRUE(QFile::setPermissions(path, kWorldReadable));
                ASSERT_EQ(test::FileModeBits(path), 0644u);
            }
            for (int save = 1; save <= 2; ++save) {
                ASSERT_TRUE(store.save(path)) << "save " << save;
                EXPECT_EQ(test::FileModeBits(path), 0600u) << "after save " << save;
            }
        }
    }
}

}  // namespace
}  // namespace strovik
