#pragma once

#include <QString>

namespace strovik {

// Where the program keeps its files.
//
// appDir: the executable's directory when it is writable, else the user's data directory;
// the environment variable STROVIK_APPDIR overrides both (tests, demo). Always ends with '/'.
QString ApplicationDirectory();

// The root that stands for drive "d:" of the recording, snapshot and temporary folders: the user's
// home directory outside Windows, "d:/" on Windows; STROVIK_DRIVE overrides it. Ends with '/'.
QString DriveRoot();

}  // namespace strovik
