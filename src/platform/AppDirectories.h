#pragma once

#include <QString>

namespace strovik {

// Where the program keeps its files.
//
// appDir: the executable's directory when it is writable and not an installed one (see
// InstalledLanguageDirectory), else the user's data directory; the environment variable
// STROVIK_APPDIR overrides both (tests, demo). Always ends with '/'.
QString ApplicationDirectory();

// The installed, read-only language files: share/strovik/lang beside the executable's bin/
// folder. Language files are read from appDir first and from here next. Ends with '/'; empty when
// the folder does not exist (a build tree, where the files sit next to the executable).
QString InstalledLanguageDirectory();

// The root that stands for drive "d:" of the recording, snapshot and temporary folders: the user's
// home directory outside Windows, "d:/" on Windows; STROVIK_DRIVE overrides it. Ends with '/'.
QString DriveRoot();

}  // namespace strovik
