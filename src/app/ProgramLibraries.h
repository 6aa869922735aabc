#pragma once

#include "devicelibs/DeviceLibraries.h"

namespace strovik {

// The device libraries the program runs with.
DeviceLibraries MakeProgramLibraries();

}  // namespace strovik
