#pragma once

#include <QString>

#include <optional>

namespace strovik {

// The last successful login, kept between runs in the user's settings store: the registry key
// HKEY_CURRENT_USER\Strovik on Windows, a settings file in the user's config folder elsewhere.
struct StoredLogin {
    QString serverAddr;
    quint32 port = 0;
    QString userName;
    QString password;  // in plain text, as it always was
    bool autoLogin = false;
};

class StoredLoginStore final {
public:
    // The platform's native store.
    StoredLoginStore();
    // A settings file at iniPath instead (tests, and a portable setup).
    explicit StoredLoginStore(QString iniPath);

    // nullopt when nothing was ever stored (the key does not exist); a missing "AutoLogin" is false.
    std::optional<StoredLogin> read() const;
    // Writes ServerAddr, Port, UserName, Pwd and AutoLogin in this order; a settings file is
    // owner-only (0600) afterwards. False when the store cannot be written.
    bool write(const StoredLogin& login) const;

private:
    QString iniPath_;
};

}  // namespace strovik
