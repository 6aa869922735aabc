#pragma once

#include <QString>

namespace strovik {

// Strovik.ini [Passwords] Store=SecretService: the device list keeps the device passwords in the
// desktop's secret service and holds none itself. Missing or any other value: the device list file
// holds them (owner-only). Read from appDir's settings file each time it is asked.
bool PasswordsInSecretStore(const QString& appDir);

}  // namespace strovik
