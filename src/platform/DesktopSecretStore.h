#pragma once

#include "platform/SecretStore.h"

#include <chrono>
#include <memory>

namespace strovik {

// The desktop's secret service (through QtKeychain: the Secret Service API on Linux desktops, the
// credential store on Windows), entries named service + key. Each call waits at most timeout: a
// locked store would otherwise wait for an unlock prompt nobody answers.
std::unique_ptr<SecretStore> CreateDesktopSecretStore(const QString& service,
                                                      std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace strovik
