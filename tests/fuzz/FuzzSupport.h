#pragma once

#include "platform/TcpSocket.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include <sys/socket.h>

namespace strovik::fuzz {

// A connection whose peer has sent exactly these bytes and closed: what a device's socket looks
// like to a reader. The bytes fit the socket buffer (the targets run with -max_len=65536).
inline TcpSocket ConnectionThatSent(const std::uint8_t* data, std::size_t size) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) std::abort();
    TcpSocket reader(ends[0]);
    TcpSocket peer(ends[1]);
    if (size > 0 && peer.sendAll(data, size, TcpSocket::Milliseconds(1000)) != TcpSocket::Status::Ok) std::abort();
    return reader;  // the peer closes as it goes
}

// A file holding the input, in a folder of the process's own that every run reuses (making a
// folder per run would cost more than the run). The folder is emptied for each input.
class InputFile {
public:
    InputFile(const QString& name, const std::uint8_t* data, std::size_t size) : path_(Folder().filePath(name)) {
        QDir folder(Folder().path());
        for (const QString& left : folder.entryList(QDir::Files | QDir::Hidden)) folder.remove(left);
        QFile file(path_);
        if (!file.open(QIODevice::WriteOnly)) std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const QString& path() const { return path_; }
    QString folder() const { return Folder().path() + QLatin1Char('/'); }

private:
    static QTemporaryDir& Folder() {
        static QTemporaryDir folder;
        return folder;
    }
    QString path_;
};

}  // namespace strovik::fuzz
