#include "app/LanguageTables.h"

#include "platform/IniFile.h"
#include "platform/StringTable.h"

#include <QFileInfo>

namespace strovik {

namespace {

// The language identifier the settings file names: "0" means the system's language. A value that
// is not a decimal number or does not fit 16 bits also falls back to the system's language, where
// the old program gave up creating its main window.
std::uint16_t configuredLanguageId(const IniFile& settings, std::uint16_t systemLanguageId) {
    const QString text = settings.readString(QStringLiteral("LanguageID"), QStringLiteral("ID"), QStringLiteral("0"));
    if (text == QLatin1String("0")) return systemLanguageId;
    bool ok = false;
    const uint value = text.toUInt(&ok, 10);
    if (!ok || value > 0xFFFF) return systemLanguageId;
    return static_cast<std::uint16_t>(value);
}

// appDir + name, else installedLanguageDir + name; empty when neither is a file.
QString findLanguageFile(const QString& name, const QString& appDir, const QString& installedLanguageDir) {
    for (const QString& dir : {appDir, installedLanguageDir})
        if (!dir.isEmpty() && QFileInfo(dir + name).isFile()) return dir + name;
    return {};
}

}  // namespace

LanguageChoice ChooseLanguageFile(const QString& appDir, std::uint16_t systemLanguageId,
                                  const QString& installedLanguageDir) {
    const IniFile settings = IniFile::load(appDir + QLatin1String(kSettingsFileName));
    LanguageChoice choice;
    choice.languageId = configuredLanguageId(settings, systemLanguageId);

    const QString key = QStringLiteral("%1").arg(choice.languageId, 4, 10, QLatin1Char('0'));
    const QString configured = settings.readString(QStringLiteral("LanguageINI"), key, QString());
    if (!configured.isEmpty()) choice.filePath = findLanguageFile(configured, appDir, installedLanguageDir);
    if (choice.filePath.isEmpty())
        choice.filePath = findLanguageFile(QLatin1String(kFallbackLanguageFile), appDir, installedLanguageDir);
    return choice;
}

LanguageState LoadLanguage(const QString& appDir, std::uint16_t systemLanguageId, StringTable& table,
                           const QString& installedLanguageDir) {
    table.clear();
    const LanguageChoice choice = ChooseLanguageFile(appDir, systemLanguageId, installedLanguageDir);
    LanguageState state;
    state.languageId = choice.languageId;
    if (choice.filePath.isEmpty()) {
        for (const auto& [id, text] : BuiltInEnglishEntries()) table.append(QString::number(id), text);
        return state;
    }
    const IniFile file = IniFile::load(choice.filePath);
    const QString font = QStringLiteral("Font");
    state.languageFontName = file.readString(font, QStringLiteral("Name"), state.languageFontName);
    state.languageFontSize = static_cast<int>(file.readInt(font, QStringLiteral("Size"), state.languageFontSize));
    for (const auto& [id, text] : file.entries(QStringLiteral("String Table"))) table.append(id, text);
    state.languageLoaded = true;
    return state;
}

const std::vector<std::pair<int, QString>>& BuiltInEnglishEntries() {
    // "！" is the full-width exclamation mark U+FF01, as the texts always had it.
    static const std::vector<std::pair<int, QString>> entries{
        {1253, QStringLiteral("OK")},
        {2010, QStringLiteral("CANCEL")},
        {1, QStringLiteral("ALL")},
        {2, QStringLiteral("MANUAL")},
        {3, QStringLiteral("AUTO")},
        {4, QStringLiteral("ALARM")},
        {7, QStringLiteral("Search File Failed\uFF01")},
        {8, QStringLiteral("Picture has beed saved")},
        {9, QStringLiteral("Playback Not Exit!")},
        {10, QStringLiteral("Download File Failed\uFF01")},
        {11, QStringLiteral("Record File Open Failed\uFF01")},
        {12, QStringLiteral("File not Exists\uFF01")},
        {13, QStringLiteral("DEVICE")},
        {14, QStringLiteral("CHANNEL")},
        {15, QStringLiteral("Connected Failed,Please make sure verify port(7050) is opened\uFF01")},
        {16, QStringLiteral("User not Exists\uFF01")},
        {17, QStringLiteral("Password not right")},
        {18, QStringLiteral("User priority is lower")},
        {7100, QStringLiteral("Pause/Resume")},
        {7101, QStringLiteral("Faster")},
        {7102, QStringLiteral("Slower")},
        {7103, QStringLiteral("Next Frame")},
        {7104, QStringLiteral("PAUSED")},
        {7105, QStringLiteral("Waiting for the copy...")},
        {7106, QStringLiteral("Not copied: beyond the recording")},
        {7107, QStringLiteral("Pause first to step frame by frame")},
        {3013, QStringLiteral("NORMAL")},
        {1305, QStringLiteral("PORT")},
        {2101, QStringLiteral("Download connect failed!")},
        {2102, QStringLiteral("TOTAL")},
        {2103, QStringLiteral("COPIED")},
        {2104, QStringLiteral("OPEN FILE FAILED")},
        {2105, QStringLiteral("FILE NOT EXISTS!")},
        {4003, QStringLiteral("IP:127.0.0.1,This domain name is offline")},
        {19, QStringLiteral("Delete Device:%s,Please Confirm!")},
        {20, QStringLiteral("Net Address Can not Be Null!")},
        {1002, QStringLiteral("AddServer")},
        {1003, QStringLiteral("DelServer")},
        {6000, QStringLiteral("Channel")},
        {6001, QStringLiteral("SuspendWindow")},
        {6002, QStringLiteral("DEVICE ADDRESS")},
        {6003, QStringLiteral("LOGIN  INFORMATION")},
        {6004, QStringLiteral("DEVICE INFORMATION")},
        {6005, QStringLiteral("HELP&&HINT")},
        {6006, QStringLiteral("NET ADDRESS")},
        {6007, QStringLiteral("NET PORT")},
        {6008, QStringLiteral("USER")},
        {6009, QStringLiteral("PASSWORD")},
        {6010, QStringLiteral("DEVICE TYPE")},
        {6011, QStringLiteral("CHANNEL COUNT")},
        {6012, QStringLiteral("(1)\"NET ADDRESS\" should be local lan IP Addess,Registry Domain Name or Device ID")},
        {6015, QStringLiteral("DEVICE NAME")},
        {6016, QStringLiteral("Priority Not Enough,Please Login This Device And Verify")},
        {6017, QStringLiteral("Device List")},
        {6018, QStringLiteral("Modify Access User And Password")},
        {6021, QStringLiteral("Manual Add Device")},
        {6022, QStringLiteral("Auto Search Deivce")},
        {6023, QStringLiteral("Number")},
        {6024, QStringLiteral("Device ID")},
        {6025, QStringLiteral("Device IP")},
        {6026, QStringLiteral("IP Mask")},
        {6027, QStringLiteral("Video Port")},
        {6028, QStringLiteral("Device MAC")},
        {6029, QStringLiteral("USER")},
        {6030, QStringLiteral("Password")},
        {6031, QStringLiteral("Modify")},
        {6032, QStringLiteral("Device Search")},
        {6033, QStringLiteral("Device Exists")},
    };
    return entries;
}

}  // namespace strovik
