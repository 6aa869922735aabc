#pragma once

#include "app/StrovikForm.h"
#include "support/TempDir.h"

#include <utility>

namespace strovik::test {

// The main window's services for a test: the given libraries (doubles or real ones), the scripted
// or real UI services, and the stored login and the fallback folder inside the test's directory.
inline MainWindowServices WindowServices(const TempDir& dir, const QString& appDir, UiServices& ui,
                                         DeviceLibraries libraries) {
    MainWindowServices services;
    services.libraries = std::move(libraries);
    services.ui = &ui;
    services.loginStore = StoredLoginStore(dir.file(QStringLiteral("registry.ini")));
    services.appDir = appDir;
    services.fallbackDir = dir.path() + QStringLiteral("fallback");
    return services;
}

}  // namespace strovik::test
