#pragma once

#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

namespace strovik {

class StringTable;

inline constexpr char kSettingsFileName[] = "Strovik.ini";
inline constexpr char kFallbackLanguageFile[] = "1033.ini";

// Which language file the settings choose: [LanguageID] ID ("0" = the system's language), then
// [LanguageINI] under that ID written with at least four digits, then "1033.ini"; empty when none
// of them exists. Each file is looked for in appDir first, then in installedLanguageDir (the
// installed, read-only copies; empty: none), so that a file the user put into appDir wins.
struct LanguageChoice {
    std::uint16_t languageId = 0;
    QString filePath;  // empty: no language file
};
LanguageChoice ChooseLanguageFile(const QString& appDir, std::uint16_t systemLanguageId,
                                  const QString& installedLanguageDir = {});

// The result of loading the language once at start-up.
struct LanguageState {
    bool languageLoaded = false;
    QString languageFontName = QStringLiteral("MS Sans Serif");
    int languageFontSize = 8;
    std::uint16_t languageId = 0;
};

// Fills table from the chosen language file ([String Table], in file order) or, when there is
// none, with the built-in English entries, and reads [Font]. The file is never written.
LanguageState LoadLanguage(const QString& appDir, std::uint16_t systemLanguageId, StringTable& table,
                           const QString& installedLanguageDir = {});

// The entries used when no language file is found, in their order.
const std::vector<std::pair<int, QString>>& BuiltInEnglishEntries();

}  // namespace strovik
