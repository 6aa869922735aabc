#pragma once

#include "devicelibs/DeviceLibraries.h"

#include <QString>

namespace strovik {

// The device libraries the program runs with. The discovery probe's target comes from the
// settings file in appDir ([LanSearch]); by default it searches the LAN.
DeviceLibraries MakeProgramLibraries(const QString& appDir);

}  // namespace strovik
