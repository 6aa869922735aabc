#include "support/FileMode.h"

#include <QFile>

#include <sys/stat.h>

namespace strovik::test {

unsigned FileModeBits(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return 07777;
    return info.st_mode & 07777;
}

}  // namespace strovik::test
