// Any bytes parse without crashing, and a parsed file written back parses to the same sections,
// keys and values.
#include "platform/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    strovik::IniFile ini = strovik::IniFile::parse(bytes);
    for (const QString& section : ini.sectionNames()) {
        for (const QString& key : ini.keys(section)) {
            ini.readInt(section, key, 0);
        }
    }
    ini.writeString(QStringLiteral("Fuzz"), QStringLiteral("Key"), QStringLiteral("Value"));
    if (!ini.sectionNames().isEmpty()) ini.eraseSection(ini.sectionNames().first());

    const strovik::IniFile again = strovik::IniFile::parse(ini.serialize());
    if (again.sectionNames() != ini.sectionNames()) std::abort();
    for (const QString& section : ini.sectionNames())
        if (again.entries(section) != ini.entries(section)) std::abort();
    return 0;
}
