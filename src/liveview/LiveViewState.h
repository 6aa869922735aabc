#pragma once

#include <cstdint>

namespace strovik {

// The main window's live-view state: where start-all begins, the page on the screen and whether
// record-all is on. Main thread only.
struct LiveViewState {
    std::int32_t startPosition = 1;  // set by the device tree: the channel last pressed there
    std::int32_t pageStart = 0;      // first channel position of the page shown; 0 = none yet
    bool recordingAll = false;
};

}  // namespace strovik
