#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include <utility>

namespace strovik {

namespace {

constexpr char kRaiseRequest[] = "raise\n";
constexpr char kRaiseAnswer[] = "ok\n";
// A client that connects and says nothing is dropped after this long.
constexpr int kClientDeadlineMs = 2000;

QString instanceDirectory(const QString& requested) {
    if (!requested.isEmpty()) return requested;
#ifdef Q_OS_UNIX
    // Without XDG_RUNTIME_DIR Qt warns and falls back to a private folder in the temporary
    // directory; we make the same folder quietly.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString own = QDir::tempPath() + QStringLiteral("/strovik-runtime-%1").arg(::getuid());
        QDir().mkpath(own);
        QFile::setPermissions(own, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return own;
    }
#endif
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

// A socket path inside the per-user directory on Unix; on Windows a pipe name, which lives in a
// global namespace, so the user name keeps two users' copies apart.
QString localServerName(const QString& directory, const QString& key) {
#ifdef Q_OS_WIN
    Q_UNUSED(directory);
    return key + QLatin1Char('-') + qEnvironmentVariable("USERNAME");
#else
    return QDir(directory).filePath(key);
#endif
}

}  // namespace

SingleInstance::SingleInstance(QString key, QString directory, QObject* parent) : QObject(parent) {
    const QString dir = instanceDirectory(directory);
    QDir().mkpath(dir);
    serverName_ = localServerName(dir, key);
    lockPath_ = QDir(dir).filePath(key + QLatin1String(".lock"));
}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
}

SingleInstance::Role SingleInstance::Acquire() {
    lock_ = std::make_unique<QLockFile>(lockPath_);
    // Stale only when its owner is gone, never by age: a copy may run for months.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        // Anything but "someone holds it" (no permission, full disk) must not stop the program:
        // it then runs without the single-instance guarantee rather than not at all.
        if (lock_->error() == QLockFile::LockFailedError) return Role::Secondary;
        lock_.reset();
        return Role::Primary;
    }
    // We hold the lock, so a socket file still there belongs to a copy that crashed.
    QLocalServer::removeServer(serverName_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) serveConnection(socket);
    });
    server_->listen(serverName_);
    return Role::Primary;
}

void SingleInstance::serveConnection(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kClientDeadlineMs, socket, [socket] { socket->abort(); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
            return;
        }
        const QByteArray line = socket->readLine(kMaxRequestBytes);
        if (line != kRaiseRequest) {
            socket->abort();
            return;
        }
        socket->write(kRaiseAnswer);
        socket->flush();
        socket->disconnectFromServer();
        Q_EMIT raiseRequested();
    });
}

bool SingleInstance::SendRaise(std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    auto remainingMs = [&] {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        return static_cast<int>(std::max<long long>(left, 0));
    };
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(remainingMs())) return false;
    socket.write(kRaiseRequest);
    if (!socket.waitForBytesWritten(remainingMs())) return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(remainingMs())) return false;
    }
    return socket.readLine(kMaxRequestBytes) == kRaiseAnswer;
}

}  // namespace strovik
