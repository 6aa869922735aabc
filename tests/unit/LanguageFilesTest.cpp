// The language files shipped in lang/, read the way the program reads them at start-up.
#include "app/LanguageTables.h"

#include "platform/StringTable.h"

#include "support/TempDir.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

namespace strovik {
namespace {

const QString kLangDir = QStringLiteral(STROVIK_LANG_DIR "/");

QByteArray shippedBytes(const QString& name) {
    QFile file(kLangDir + name);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

struct Loaded {
    LanguageState state;
    StringTable table;
    std::map<int, QString> texts;  // ID -> text
    QStringList problems;          // IDs that are not decimal numbers or occur twice
};

// Installs both files in a fresh appDir with the given Strovik.ini and loads the language.
Loaded load(const QByteArray& settings, std::uint16_t systemLanguageId) {
    const test::TempDir dir;
    for (const QString& name : {QStringLiteral("1033.ini"), QStringLiteral("2052.ini")})
        dir.write(name, shippedBytes(name));
    if (!settings.isEmpty()) dir.write(QLatin1String(kSettingsFileName), settings);
    Loaded loaded;
    loaded.state = LoadLanguage(dir.path(), systemLanguageId, loaded.table);
    for (const QString& line : loaded.table.lines()) {
        const QString id = line.section(QLatin1Char('='), 0, 0);
        bool numeric = false;
        const int number = id.toInt(&numeric, 10);
        if (!numeric || !loaded.texts.emplace(number, line.section(QLatin1Char('='), 1)).second)
            loaded.problems << id;
    }
    return loaded;
}

Loaded english() {
    return load({}, 1033);
}
Loaded chinese() {
    return load("[LanguageID]\nID=0\n[LanguageINI]\n2052=2052.ini\n", 2052);
}

bool hasChineseCharacter(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
    return false;
}

TEST(LanguageFiles, AreValidUtf8) {
    for (const char* name : {"1033.ini", "2052.ini"}) {
        SCOPED_TRACE(name);
        const QByteArray bytes = shippedBytes(QLatin1String(name));
        ASSERT_FALSE(bytes.isEmpty());
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(bytes);
        EXPECT_FALSE(utf8.hasError());
        EXPECT_TRUE(text.contains(QStringLiteral("[String Table]")));
    }
}

TEST(LanguageFiles, BothLoadWithTheSameIdsAndNoEmptyText) {
    const Loaded en = english();
    const Loaded zh = chinese();
    for (const Loaded* file : {&en, &zh}) {
        EXPECT_TRUE(file->state.languageLoaded);
        EXPECT_NE(file->state.languageFontName, QStringLiteral("MS Sans Serif"));  // the file names its font
        EXPECT_GT(file->state.languageFontSize, 0);
        EXPECT_TRUE(file->problems.isEmpty()) << file->problems.join(u' ').toStdString();
        for (const auto& [id, text] : file->texts) EXPECT_FALSE(text.trimmed().isEmpty()) << "ID " << id;
    }
    // The Chinese one really is the one [LanguageINI] names, not the 1033.ini fallback.
    EXPECT_TRUE(hasChineseCharacter(zh.table.Lookup(14)));

    std::vector<int> enIds, zhIds;
    for (const auto& entry : en.texts) enIds.push_back(entry.first);
    for (const auto& entry : zh.texts) zhIds.push_back(entry.first);
    EXPECT_EQ(enIds, zhIds);
}

TEST(LanguageFiles, EnglishKeepsTheBuiltInTexts) {
    const Loaded en = english();
    for (const auto& [id, text] : BuiltInEnglishEntries())
        EXPECT_EQ(en.table.Lookup(id), text) << "ID " << id;
    // Pasted after "DVR" on the login page; a plain leading blank would be trimmed away.
    EXPECT_EQ(QStringLiteral("DVR") + en.table.Lookup(1200), QStringLiteral("DVR\u00A0UserName"));
}

TEST(LanguageFiles, ChineseTranslatesEveryTextAndKeepsItsPlaceholders) {
    const Loaded en = english();
    const Loaded zh = chinese();
    static const QRegularExpression placeholder(QStringLiteral("%[sd]"));
    for (const auto& [id, text] : zh.texts) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(hasChineseCharacter(text)) << text.toStdString();
        const auto english = en.texts.find(id);
        if (english == en.texts.end()) continue;  // reported by the ID set comparison
        EXPECT_EQ(text.count(placeholder), english->second.count(placeholder));
    }
}

TEST(LanguageFiles, CarryTheLiveViewTexts) {
    // Status texts, menu captions and record buttons that the built-in English table lacks.
    const int ids[] = {1202, 4001, 4002, 4004, 4005, 4010, 4011, 4020, 4021, 4100, 4101, 4102,
                       4103, 4104, 4105, 4106, 4107, 4108, 4109, 4110, 4200, 4201, 4202, 6000};
    const Loaded en = english();
    const Loaded zh = chinese();
    for (const int id : ids) {
        EXPECT_FALSE(en.table.Lookup(id).isEmpty()) << "1033.ini lacks " << id;
        EXPECT_FALSE(zh.table.Lookup(id).isEmpty()) << "2052.ini lacks " << id;
    }
    // Each verification failure has a text of its own: -k shows entry 4100 + k.
    std::set<QString> failures;
    for (int id = 4100; id <= 4110; ++id) failures.insert(en.table.Lookup(id));
    EXPECT_EQ(failures.size(), 11u);
}

}  // namespace
}  // namespace strovik
