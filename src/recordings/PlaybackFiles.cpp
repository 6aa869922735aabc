#include "recordings/PlaybackFiles.h"

#include <QDir>
#include <QFileInfo>

namespace strovik {

bool IsFrameFormatRecording(const QString& remoteFileName) {
    return remoteFileName.contains(QLatin1String("LDVR"));
}

QString TempPlaybackFile(const QString& drive, std::int32_t playPort, const QString& remoteFileName) {
    const QLatin1String extension(IsFrameFormatRecording(remoteFileName) ? ".264" : ".MP4");
    return QStringLiteral("%1Temp/xPlayerVideo[%2]%3").arg(drive).arg(playPort).arg(extension);
}

bool EnsureParentFolder(const QString& path) {
    return QDir().mkpath(QFileInfo(path).absolutePath());
}

}  // namespace strovik
