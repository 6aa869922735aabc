#include "platform/FileVersion.h"

#include <QFile>

#include <array>

namespace strovik {

namespace {

// The stamp's signature, kept inverted here so that this scanner does not find its own copy of it
// in an executable it is linked into. VersionStamp.cpp holds the plain bytes.
constexpr std::array<unsigned char, 12> kInvertedSignature = {
    0xAC, 0xAB, 0xAD, 0xB0, 0xA9, 0xB6, 0xB4, 0xA0, 0xA9, 0xBA, 0xAD, 0x01};
constexpr qsizetype kStampBytes = 12 + 8;

QByteArray signature() {
    QByteArray bytes;
    for (unsigned char c : kInvertedSignature) bytes.append(static_cast<char>(~c & 0xFF));
    return bytes;
}

std::uint32_t readLittleEndian32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t(u[0]) | std::uint32_t(u[1]) << 8 | std::uint32_t(u[2]) << 16 | std::uint32_t(u[3]) << 24;
}

}  // namespace

std::optional<FileVersionWords> ReadFileVersion(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray sig = signature();
    constexpr qint64 chunkBytes = 1 << 20;
    QByteArray window;
    while (true) {
        const QByteArray chunk = file.read(chunkBytes);
        if (chunk.isEmpty()) return std::nullopt;
        // Keep the tail of the previous chunk so that a stamp across the boundary is found.
        window = window.right(kStampBytes - 1) + chunk;
        const qsizetype at = window.indexOf(sig);
        if (at >= 0) {
            if (window.size() - at < kStampBytes) window += file.read(kStampBytes);
            if (window.size() - at < kStampBytes) return std::nullopt;
            const char* words = window.constData() + at + sig.size();
            return FileVersionWords{readLittleEndian32(words), readLittleEndian32(words + 4)};
        }
    }
}

QByteArray MakeVersionStamp(FileVersionWords version) {
    QByteArray bytes = signature();
    for (std::uint32_t word : {version.mostSignificant, version.leastSignificant})
        for (int shift = 0; shift < 32; shift += 8) bytes.append(static_cast<char>((word >> shift) & 0xFF));
    return bytes;
}

}  // namespace strovik
