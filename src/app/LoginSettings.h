#pragma once

#include "platform/StoredLogin.h"

#include <QString>
#include <QStringList>

namespace strovik {

inline constexpr char kLoginHistoryFileName[] = "StrovikLoginList.txt";

// The stored login and the login history "StrovikLoginList.txt" (an INI file despite its name:
// [LoginList] Count, and [LoginInfo1..n] ServerAddr and Port, entry 1 the oldest).
class LoginSettings final {
public:
    LoginSettings(QString appDir, StoredLoginStore store);

    static constexpr int kHistoryLimit = 5;

    // Refills history (FillServerHistory), then returns the stored login, or empty texts, port 0 and
    // no auto-login when nothing was stored.
    StoredLogin ReadStoredLogin(QStringList& history) const;

    // Stores the login and appends address to the history unless it is already there (exactly,
    // case-sensitive; the port does not count), dropping the oldest entry beyond five.
    // False when the history could not be written (the stored login may still have been saved).
    bool SaveLoginInfo(const QString& address, quint32 port, const QString& userName, const QString& password,
                       bool autoLogin) const;

    // Replaces history by the addresses of the history file in entry order; leaves it unchanged when
    // the file does not exist.
    void FillServerHistory(QStringList& history) const;

    QString historyPath() const;

private:
    QString appDir_;
    StoredLoginStore store_;
};

}  // namespace strovik
