#pragma once

#include "app/LanguageTables.h"
#include "devices/DeviceListFile.h"
#include "devices/DeviceTree.h"
#include "devices/LoginState.h"
#include "liveview/LiveViewState.h"
#include "liveview/PtzState.h"
#include "platform/StringTable.h"

#include <QString>

#include <cstdint>
#include <mutex>

namespace strovik {

// The run-time state the main window shares between its concerns (login, tree commands, layout,
// captions, live view, record search, PTZ), with the values it starts with. The main window owns
// the one instance and hands it to each concern; everything here belongs to the main thread except
// where a field says otherwise.
struct MainWindowState : LoginState, LiveViewState, PtzState {
    QString appDir;  // ends with '/'

    // The language: filled once while the main window is created, read-only afterwards.
    StringTable strings;
    LanguageState language;

    // The records of every device and channel, and the tree that shows them.
    DeviceTree tree{strings};

    std::int32_t autoSearchCount = 0;  // devices loaded with AutoSearch set; never decreased
    // Where the device list's passwords are read from and saved to; the secret store is owned by
    // the main window's services.
    DeviceListPasswords devicePasswords;
    std::int32_t searchActivity = 0;
    QString resultAddress;

    // Guards the device TCP client library's transfer records and the download dialog; taken on
    // library threads.
    std::mutex transferLock;
    // The search-result lock lives with the queue it guards (recordings/SearchResultQueue.h), which
    // the library's receive callback shares.
};

}  // namespace strovik
