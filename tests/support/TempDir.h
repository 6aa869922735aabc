#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace strovik::test {

// A fresh directory per test, removed afterwards; paths inside it end without a slash.
class TempDir {
public:
    TempDir();
    // The directory with a trailing '/', as appDir is kept.
    QString path() const;
    QString file(const QString& name) const;
    // Writes bytes to name inside the directory and returns the full path.
    QString write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir dir_;
};

}  // namespace strovik::test
