#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace strovik {

// The fixed file-version block of a file: two 32-bit words, four 16-bit parts
// (major.minor in mostSignificant, build.revision in leastSignificant).
struct FileVersionWords {
    std::uint32_t mostSignificant = 0;
    std::uint32_t leastSignificant = 0;
};

// Reads the version block of a file. Windows keeps it in a version resource; our executables carry
// it as a version stamp (VersionStamp.h) that this reads on every platform. nullopt when the file
// is missing, unreadable or carries no stamp.
std::optional<FileVersionWords> ReadFileVersion(const QString& path);

// The bytes of a version stamp, for tools and tests that write stamped files.
QByteArray MakeVersionStamp(FileVersionWords version);

}  // namespace strovik
