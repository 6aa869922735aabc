#include "support/TempDir.h"

#include <QFile>

#include <stdexcept>

namespace strovik::test {

TempDir::TempDir() {
    if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary directory");
}

QString TempDir::path() const { return dir_.path() + QLatin1Char('/'); }

QString TempDir::file(const QString& name) const { return dir_.filePath(name); }

QString TempDir::write(const QString& name, const QByteArray& bytes) const {
    QFile out(file(name));
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
    return out.fileName();
}

QByteArray TempDir::read(const QString& name) const {
    QFile in(file(name));
    if (!in.open(QIODevice::ReadOnly)) return {};
    return in.readAll();
}

}  // namespace strovik::test
