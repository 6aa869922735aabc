#include "liveview/RecordNaming.h"

#include "platform/AppDirectories.h"

namespace strovik {

namespace {

QString twoDigits(int channelIndex) {
    return QStringLiteral("%1").arg(channelIndex, 2, 10, QLatin1Char('0'));
}

QString joined(const QString& directory, const QString& name) {
    return directory.isEmpty() ? name : directory + QLatin1Char('/') + name;
}

}  // namespace

QString RecordingBaseDirectory() {
    return DriveRoot() + QStringLiteral("VideoFiles");
}

QString SnapshotDirectory() {
    return DriveRoot() + QStringLiteral("VideoPhotos");
}

QString RecordingDateDirectory(const QString& base, const QDateTime& when) {
    return joined(base, when.toString(QStringLiteral("yyyyMMdd")));
}

QString RecordingFilePath(const QString& base, const QString& deviceName, int channelIndex, const QDateTime& when) {
    return joined(RecordingDateDirectory(base, when), deviceName) + QLatin1Char('/') +
           when.toString(QStringLiteral("yyyyMMddHHmmss")) + QStringLiteral("_M_") + twoDigits(channelIndex) +
           QStringLiteral(".avi");
}

QString SnapshotFilePath(const QString& directory, const QString& deviceName, int channelIndex,
                         const QDateTime& when) {
    return joined(directory, when.toString(QStringLiteral("yyyyMMdd-HHmmss")) + QLatin1Char('_') + deviceName +
                                 QStringLiteral("_CHN") + twoDigits(channelIndex) + QStringLiteral(".bmp"));
}

}  // namespace strovik
