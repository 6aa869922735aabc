#include "support/ProgramEnvironment.h"

#include <QDir>
#include <QFile>

namespace strovik::test {

QProcessEnvironment ProgramEnvironment(const TempDir& dir) {
    for (const char* sub : {"app", "drive", "config", "data", "runtime"})
        QDir().mkpath(dir.file(QLatin1String(sub)));
    QFile::setPermissions(dir.file(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("STROVIK_APPDIR"), dir.file(QStringLiteral("app")));
    environment.insert(QStringLiteral("STROVIK_DRIVE"), dir.file(QStringLiteral("drive")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.file(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.file(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.file(QStringLiteral("runtime")));
    return environment;
}

}  // namespace strovik::test
