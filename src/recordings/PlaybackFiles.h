#pragma once

#include <QString>

#include <cstdint>

namespace strovik {

// Recordings whose device name holds "LDVR" are frame-format files; all others are plain
// (fragmented MP4) files.
bool IsFrameFormatRecording(const QString& remoteFileName);

// The one temporary file of a player port, overwritten by the next playback there:
// <drive>Temp/xPlayerVideo[<port>].264 for frame-format recordings, .MP4 for the others.
// drive ends with '/'.
QString TempPlaybackFile(const QString& drive, std::int32_t playPort, const QString& remoteFileName);

// Creates the folder of path when it is missing: the transfer fails on a missing folder.
bool EnsureParentFolder(const QString& path);

}  // namespace strovik
