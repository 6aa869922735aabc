#include "app/LanguageTables.h"
#include "app/MainWindowCaptions.h"

#include "platform/StringTable.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

const CaptionEntry& captionOf(const QString& control, int index = 0) {
    for (const CaptionEntry& entry : MainWindowCaptions())
        if (entry.control == control && entry.index == index) return entry;
    throw std::out_of_range(control.toStdString());
}

TEST(LanguageTables, ChoiceOfTheLanguageFile) {
    const struct {
        const char* name;
        QByteArray settings;
        QStringList files;
        std::uint16_t systemId;
        std::uint16_t expectedId;
        const char* expectedFile;  // "" = none
    } cases[] = {
        {"system language through its key", "[LanguageID]\nID=0\n[LanguageINI]\n2052=zh.ini\n", {"zh.ini", "1033.ini"},
         2052, 2052, "zh.ini"},
        {"configured id without key falls back", "[LanguageID]\nID=1033\n", {"1033.ini"}, 2052, 1033, "1033.ini"},
        {"ids below 1000 use four digits", "[LanguageID]\nID=804\n[LanguageINI]\n0804=old.ini\n", {"old.ini"}, 1033,
         804, "old.ini"},
        {"configured file missing", "[LanguageINI]\n1033=gone.ini\n", {"1033.ini"}, 1033, 1033, "1033.ini"},
        {"no settings file, no language file", "", {}, 1033, 1033, ""},
        {"not a decimal number", "[LanguageID]\nID=0x804\n[LanguageINI]\n2052=zh.ini\n", {"zh.ini"}, 2052, 2052,
         "zh.ini"},
        {"beyond 16 bits", "[LanguageID]\nID=67588\n[LanguageINI]\n2052=zh.ini\n", {"zh.ini"}, 2052, 2052, "zh.ini"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const test::TempDir dir;
        if (!c.settings.isEmpty()) dir.write(kSettingsFileName, c.settings);
        for (const QString& file : c.files) dir.write(file, "[String Table]\n");
        const LanguageChoice choice = ChooseLanguageFile(dir.path(), c.systemId);
        EXPECT_EQ(choice.languageId, c.expectedId);
        EXPECT_EQ(choice.filePath, *c.expectedFile ? dir.path() + c.expectedFile : QString());
    }
}

// An installed client's appDir is the user's data folder; the language files then come from the
// installed data folder unless the user put a file of the same name into appDir.
TEST(LanguageTables, AppDirFirstThenTheInstalledFiles) {
    const struct {
        const char* name;
        QStringList appDirFiles;
        QStringList installedFiles;
        const char* expectedDir;  // "app", "installed" or "" (none)
    } cases[] = {
        {"only installed", {}, {"zh.ini", "1033.ini"}, "installed"},
        {"appDir copy wins", {"zh.ini"}, {"zh.ini", "1033.ini"}, "app"},
        {"configured file installed beats fallback in appDir", {"1033.ini"}, {"zh.ini"}, "installed"},
        {"nowhere", {}, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const test::TempDir app;
        const test::TempDir installed;
        app.write(kSettingsFileName, "[LanguageID]\nID=2052\n[LanguageINI]\n2052=zh.ini\n");
        for (const QString& file : c.appDirFiles) app.write(file, "[String Table]\n14=app\n");
        for (const QString& file : c.installedFiles) installed.write(file, "[String Table]\n14=installed\n");
        StringTable table;
        const LanguageState state = LoadLanguage(app.path(), 1033, table, installed.path());
        EXPECT_EQ(state.languageLoaded, *c.expectedDir != 0);
        if (*c.expectedDir) {
            EXPECT_EQ(table.Lookup(14), QString::fromLatin1(c.expectedDir));
        }
    }
}

TEST(LanguageTables, ALanguageFileFillsTheTableAndTheFont) {
    const test::TempDir dir;
    dir.write("1033.ini", "[Font]\nName=Noto Sans\nSize=10\n[String Table]\n14=Kanal\n1200=User\n7=a=b\n");
    StringTable table;
    table.append("stale", "gone");
    const LanguageState state = LoadLanguage(dir.path(), 1033, table);
    EXPECT_TRUE(state.languageLoaded);
    EXPECT_EQ(state.languageFontName, "Noto Sans");
    EXPECT_EQ(state.languageFontSize, 10);
    EXPECT_EQ(table.lines(), (QStringList{"14=Kanal", "1200=User", "7=a=b"}));

    EXPECT_EQ(CaptionText(captionOf("LabUserName"), table, true), QStringLiteral("DVRUser"));
    EXPECT_EQ(CaptionText(captionOf("GroupBoxFileList"), table, true), QString());  // 1014 missing: empty
    EXPECT_EQ(RecordTypeItems(table, true), (QStringList{"", "", "", ""}));
}

TEST(LanguageTables, FontDefaultsWhenTheFileHasNone) {
    const test::TempDir dir;
    dir.write("1033.ini", "[Font]\nSize=big\n");
    StringTable table;
    const LanguageState state = LoadLanguage(dir.path(), 1033, table);
    EXPECT_TRUE(state.languageLoaded);
    EXPECT_EQ(state.languageFontName, "MS Sans Serif");
    EXPECT_EQ(state.languageFontSize, 8);
    EXPECT_EQ(table.size(), 0);
}

TEST(LanguageTables, WithoutALanguageFileTheBuiltInEnglishApplies) {
    const test::TempDir dir;
    StringTable table;
    const LanguageState state = LoadLanguage(dir.path(), 2052, table);
    EXPECT_FALSE(state.languageLoaded);
    EXPECT_EQ(table.size(), 68);  // the design's 60 and the playback controls' 8
    EXPECT_EQ(table.lines().first(), "1253=OK");
    EXPECT_EQ(table.Lookup(7100), "Pause/Resume");
    EXPECT_EQ(table.Lookup(18), "User priority is lower");
    EXPECT_EQ(table.Lookup(4100), "");
    EXPECT_EQ(table.Lookup(16), QStringLiteral("User not Exists\uFF01"));
    EXPECT_EQ(table.Lookup(6012),
              QStringLiteral("(1)\"NET ADDRESS\" should be local lan IP Addess,Registry Domain Name or Device ID"));

    EXPECT_EQ(CaptionText(captionOf("BtnAddServer"), table, false), QStringLiteral("AddDevice"));
    EXPECT_EQ(CaptionText(captionOf("NotebookTools", 2), table, false), QStringLiteral("FILE PLAYBACK"));
    EXPECT_EQ(CaptionText(captionOf("ListViewFile", 4), table, false), QStringLiteral("SIZE"));
    EXPECT_EQ(CaptionText(captionOf("LabUserName"), table, false), QStringLiteral("UserName"));
    EXPECT_EQ(RecordTypeItems(table, false), (QStringList{"ALL", "MANUAL", "AUTO", "ALARM"}));
}

}  // namespace
}  // namespace strovik
