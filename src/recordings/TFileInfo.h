#pragma once

#include <QString>

namespace strovik {

// A recording to play or download: its file name on the device and the device's address.
struct TFileInfo {
    QString fileName;
    QString address;
};

}  // namespace strovik
