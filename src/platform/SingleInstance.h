#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace strovik {

// The name every copy of the program agrees on: the lock file and the local socket carry it.
inline constexpr char kInstanceKey[] = "Zentrova_Class_38259662";

// One running copy of the program per user: the first start holds a lock file and listens on a
// local socket; a later start finds the lock taken, sends the running copy one "raise" message and
// ends. GUI thread only (the socket work runs on its event loop).
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    enum class Role { Primary, Secondary };

    // directory holds the lock file and the socket; empty means the user's runtime directory
    // (XDG_RUNTIME_DIR, else the temporary directory), so that each user runs a copy of their own.
    explicit SingleInstance(QString key = QLatin1String(kInstanceKey), QString directory = {},
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // Primary: this process holds the lock and answers raise requests until it is destroyed.
    // Secondary: another live process holds it. A lock left behind by a crashed copy is taken over.
    Role Acquire();

    // Secondary only: asks the running copy to come to the front and waits at most timeout for its
    // acknowledgement. False when no copy answered (it may still be starting up).
    bool SendRaise(std::chrono::milliseconds timeout);

    QString serverName() const { return serverName_; }

    static constexpr qint64 kMaxRequestBytes = 64;

Q_SIGNALS:
    // A later start asked this copy to come to the front.
    void raiseRequested();

private:
    void serveConnection(QLocalSocket* socket);

    QString serverName_;
    QString lockPath_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

}  // namespace strovik
