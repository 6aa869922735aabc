#include "platform/AppDirectories.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace strovik {

namespace {

QString withTrailingSlash(QString path) {
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path;
}

QString fromEnvironment(const char* name) {
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty()) return {};
    QDir().mkpath(value);
    return withTrailingSlash(QDir(value).absolutePath());
}

}  // namespace

QString InstalledLanguageDirectory() {
    const QDir languages(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                         QLatin1String(STROVIK_LANGDIR_FROM_BINDIR));
    if (QCoreApplication::applicationDirPath().isEmpty() || !languages.exists()) return {};
    return withTrailingSlash(languages.canonicalPath());
}

QString ApplicationDirectory() {
    if (QString overridden = fromEnvironment("STROVIK_APPDIR"); !overridden.isEmpty()) return overridden;
    const QString executableDir = QCoreApplication::applicationDirPath();
    // An installed client never writes beside its executable, not even when the administrator
    // runs it and /usr/bin is writable to them: that folder is shared by every user and package.
    if (!executableDir.isEmpty() && QFileInfo(executableDir).isWritable() && InstalledLanguageDirectory().isEmpty())
        return withTrailingSlash(executableDir);
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(dataDir);
    return withTrailingSlash(dataDir);
}

QString DriveRoot() {
    if (QString overridden = fromEnvironment("STROVIK_DRIVE"); !overridden.isEmpty()) return overridden;
#ifdef Q_OS_WIN
    return QStringLiteral("d:/");
#else
    return withTrailingSlash(QDir::homePath());
#endif
}

}  // namespace strovik
