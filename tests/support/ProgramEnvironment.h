#pragma once

#include "support/TempDir.h"

#include <QProcessEnvironment>

namespace strovik::test {

// The environment of the program started as a process: offscreen, with its app, drive, config,
// data and runtime folders inside dir (created here, the runtime folder owner-only).
QProcessEnvironment ProgramEnvironment(const TempDir& dir);

}  // namespace strovik::test
