#include "platform/StoredLogin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <memory>
#include <utility>

namespace strovik {

namespace {

std::unique_ptr<QSettings> openStore(const QString& iniPath) {
    if (!iniPath.isEmpty()) return std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Strovik"), QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Strovik"));
#endif
}

#ifdef Q_OS_WIN
constexpr bool kNativeStoreIsFile = false;  // the registry key, guarded by the user's account
#else
constexpr bool kNativeStoreIsFile = true;
#endif

// The store holds a password: its file is made owner-only before anything is written. QSettings
// writes through a temporary file that takes over the rights of the file it replaces, so the
// password is never readable by others, also when an older file had wider rights.
bool prepareOwnerOnlyFile(const QString& path) {
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (QFileInfo::exists(path)) return QFile::setPermissions(path, ownerOnly);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly);
}

}  // namespace

StoredLoginStore::StoredLoginStore() = default;
StoredLoginStore::StoredLoginStore(QString iniPath) : iniPath_(std::move(iniPath)) {}

std::optional<StoredLogin> StoredLoginStore::read() const {
    const auto settings = openStore(iniPath_);
    if (settings->allKeys().isEmpty()) return std::nullopt;
    StoredLogin login;
    login.serverAddr = settings->value(QStringLiteral("ServerAddr")).toString();
    login.port = settings->value(QStringLiteral("Port")).toUInt();
    login.userName = settings->value(QStringLiteral("UserName")).toString();
    login.password = settings->value(QStringLiteral("Pwd")).toString();
    login.autoLogin = settings->value(QStringLiteral("AutoLogin"), 0).toInt() != 0;
    return login;
}

bool StoredLoginStore::write(const StoredLogin& login) const {
    if (!iniPath_.isEmpty() || kNativeStoreIsFile) {
        if (!prepareOwnerOnlyFile(openStore(iniPath_)->fileName())) return false;
    }
    const auto settings = openStore(iniPath_);
    if (!settings->isWritable()) return false;
    settings->setValue(QStringLiteral("ServerAddr"), login.serverAddr);
    settings->setValue(QStringLiteral("Port"), login.port);
    settings->setValue(QStringLiteral("UserName"), login.userName);
    settings->setValue(QStringLiteral("Pwd"), login.password);
    settings->setValue(QStringLiteral("AutoLogin"), login.autoLogin ? 1 : 0);
    settings->sync();
    return settings->status() == QSettings::NoError;
}

}  // namespace strovik
