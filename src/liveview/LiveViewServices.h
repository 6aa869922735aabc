#pragma once

#include "recordings/PlayThread.h"

#include <chrono>

namespace strovik {

class BackgroundCalls;
class StreamPlayerLibrary;
class StringTable;
class TransferRouter;
class UiServices;
class VideoClientLibrary;

// What the grid and its windows are built from. Every pointer must outlive the grid.
struct LiveViewServices {
    VideoClientLibrary* videoClient = nullptr;    // required
    StreamPlayerLibrary* streamPlayer = nullptr;  // required: playback, CPU meter
    const StringTable* strings = nullptr;         // required
    // Whether a language file was read: only then do the menus take their captions from strings.
    const bool* languageLoaded = nullptr;
    UiServices* ui = nullptr;  // required: the library's initialisation failure is reported
    // Runs the blocking stream starts; the grid makes its own when none is given.
    BackgroundCalls* calls = nullptr;
    // How long a recording file grows before the next one starts (tests shorten it).
    std::chrono::milliseconds recordRotation{600000};
    // Remote playback's transfers; without it no window plays a record.
    TransferRouter* transfers = nullptr;
    TPlayThread::Timing playTiming{};
};

}  // namespace strovik
