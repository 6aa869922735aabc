#pragma once

#include <QString>

#include <cstdint>

namespace strovik {

// The main window's PTZ state. Main thread only. ptzConnection and ptzHost mirror what the
// current PTZ link reported last (PtzControl): the link's worker owns the connection itself.
struct PtzState {
    QString ptzHost;  // the host ptzConnection was opened for
    std::uint8_t ptzSpeed = 4;
    std::uint8_t ptzParam = 10;
    std::int32_t ptzRights = -1;     // rights of the selected window's device at the last press; -1: none
    std::int32_t ptzConnection = 0;  // library connection of the current PTZ link; 0: none
};

}  // namespace strovik
