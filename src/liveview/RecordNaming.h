#pragma once

#include <QDateTime>
#include <QString>

namespace strovik {

// Where the live view writes: recordings under <drive>/VideoFiles/<yyyymmdd>/<device>/, snapshots
// in <drive>/VideoPhotos/ (the drive root of the platform, see DriveRoot). Every name of one
// operation comes from one reading of the clock, passed in as `when`.
QString RecordingBaseDirectory();
QString SnapshotDirectory();

// base/yyyymmdd
QString RecordingDateDirectory(const QString& base, const QDateTime& when);
// base/yyyymmdd/device/yyyymmddhhnnss_M_nn.avi, nn the 0-based channel index with at least two digits.
QString RecordingFilePath(const QString& base, const QString& deviceName, int channelIndex, const QDateTime& when);
// directory/yyyymmdd-hhnnss_device_CHNnn.bmp; without a directory just the file name.
QString SnapshotFilePath(const QString& directory, const QString& deviceName, int channelIndex,
                         const QDateTime& when);

}  // namespace strovik
