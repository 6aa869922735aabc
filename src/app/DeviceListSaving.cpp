#include "app/DeviceListSaving.h"

#include <QDir>

namespace strovik {

namespace {

QString listPath(const QString& directory) { return QDir(directory).filePath(QLatin1String(kDeviceListFileName)); }

}  // namespace

DeviceListSaveResult SaveDeviceListWithFallback(const DeviceTree& tree, const QString& appDir,
                                                const QString& fallbackDir, const DeviceListPasswords& passwords) {
    DeviceListSaveResult result;
    // A directory removed while the program ran is made again rather than given up on.
    QDir().mkpath(appDir);
    if (SaveDeviceList(listPath(appDir), tree, &result.primaryError, passwords, &result.secretStoreWarning)) {
        result.savedPath = listPath(appDir);
        return result;
    }
    if (result.primaryError.isEmpty()) result.primaryError = QStringLiteral("unknown error");
    if (fallbackDir.isEmpty() || QDir(fallbackDir) == QDir(appDir)) {
        result.fallbackError = QStringLiteral("no other directory to save to");
        return result;
    }
    QDir().mkpath(fallbackDir);
    result.secretStoreWarning.clear();
    if (SaveDeviceList(listPath(fallbackDir), tree, &result.fallbackError, passwords, &result.secretStoreWarning)) {
        result.savedPath = listPath(fallbackDir);
        result.fallbackError.clear();
    } else if (result.fallbackError.isEmpty()) {
        result.fallbackError = QStringLiteral("unknown error");
    }
    return result;
}

QString DeviceListSaveMessage(const DeviceListSaveResult& result, const QString& appDir) {
    QStringList parts;
    const QString intended = listPath(appDir);
    if (!result.saved()) {
        parts << QStringLiteral("The device list could not be saved.\n%1: %2\nFallback: %3")
                     .arg(intended, result.primaryError, result.fallbackError);
    } else if (result.usedFallback()) {
        parts << QStringLiteral("The device list could not be saved to %1 (%2).\nIt was saved to %3 instead.")
                     .arg(intended, result.primaryError, result.savedPath);
    }
    if (result.saved() && !result.secretStoreWarning.isEmpty()) parts << result.secretStoreWarning;
    return parts.join(QLatin1Char('\n'));
}

}  // namespace strovik
