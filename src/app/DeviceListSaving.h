#pragma once

#include "devices/DeviceListFile.h"

#include <QString>

namespace strovik {

class DeviceTree;

// Where the device list went when the main window closed.
struct DeviceListSaveResult {
    QString savedPath;     // empty: it could not be written anywhere
    QString primaryError;  // why the list could not go to appDir; empty when it did
    QString fallbackError; // why the fallback failed too; empty unless both failed
    QString secretStoreWarning;  // why passwords went into the file instead of the secret store
    bool saved() const { return !savedPath.isEmpty(); }
    bool usedFallback() const { return saved() && !primaryError.isEmpty(); }
};

// Saves the tree's devices into the device list file of appDir; when that fails (missing or
// read-only directory, unreadable file) into the same file name in fallbackDir, which is created
// when missing. The operator must hear of every outcome but the first (DeviceListSaveMessage).
DeviceListSaveResult SaveDeviceListWithFallback(const DeviceTree& tree, const QString& appDir,
                                                const QString& fallbackDir,
                                                const DeviceListPasswords& passwords = {});

// The text that tells the operator where the list went, or that it was lost, and where the
// passwords went when the secret store failed; empty when all went where it belongs.
QString DeviceListSaveMessage(const DeviceListSaveResult& result, const QString& appDir);

}  // namespace strovik
