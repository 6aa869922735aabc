#pragma once

#include "app/StrovikForm.h"
#include "doubles/WindowServices.h"
#include "devicelibs/doubles/RecordingStreamPlayerLibrary.h"
#include "devicelibs/doubles/RecordingVideoClientLibrary.h"
#include "devices/DeviceListFile.h"
#include "platform/AudioMixer.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <memory>

namespace strovik::test {

// A main window for the record search tests, in dir's "app/" folder with deviceList as its device
// list and the English language file from langDir: the given device TCP client (a double or the
// real one), doubles for the video libraries, which a search never uses. Null when the files
// cannot be written.
inline std::unique_ptr<TStrovikForm> MakeRecordSearchWindow(const TempDir& dir, const QByteArray& deviceList,
                                                            const QString& langDir,
                                                            std::shared_ptr<TcpClientLibrary> tcpClient,
                                                            UiServices& ui) {
    const QString appDir = dir.path() + QStringLiteral("app/");
    QDir().mkpath(appDir);
    dir.write(QStringLiteral("app/") + QLatin1String(kDeviceListFileName), deviceList);
    if (!QFile::copy(langDir + QStringLiteral("/1033.ini"), appDir + QStringLiteral("1033.ini")))
        return nullptr;
    DeviceLibraries libraries;
    libraries.tcpClient = std::move(tcpClient);
    libraries.videoClient = std::make_shared<RecordingVideoClientLibrary>();
    libraries.streamPlayer = std::make_shared<RecordingStreamPlayerLibrary>();
    return std::make_unique<TStrovikForm>(WindowServices(dir, appDir, ui, std::move(libraries)));
}

}  // namespace strovik::test
