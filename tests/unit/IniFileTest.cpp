#include "platform/IniFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>

namespace strovik {
namespace {

TEST(IniFile, NamesIgnoreCaseAndValuesAreTrimmed) {
    const IniFile ini = IniFile::parse("[Cam1]\n  Addr =  10.0.0.5  \nPORT=8000\n[cam1]\nAddr=shadowed\n");
    EXPECT_EQ(ini.readString("CAM1", "addr", "x"), "10.0.0.5");
    EXPECT_EQ(ini.readInt("cam1", "Port", 0), 8000);
    EXPECT_EQ(ini.readString("Cam1", "Missing", "fallback"), "fallback");
    EXPECT_EQ(ini.readString("Nowhere", "Addr", "fallback"), "fallback");
    EXPECT_EQ(ini.sectionNames(), (QStringList{"Cam1", "cam1"}));
    EXPECT_EQ(ini.keys("CAM1"), (QStringList{"Addr", "PORT"}));
}

TEST(IniFile, IntegersAreDecimalOrHexElseTheDefault) {
    const struct {
        const char* text;
        qint64 expected;
    } cases[] = {
        {"12", 12},       {" 0x1F ", 31},  {"0X1f", 31},   {"-5", -5},       {"0", 0},
        {"abc", -7},      {"", -7},        {"0x", -7},     {"12abc", -7},    {"0x1G", -7},
        {"1 2", -7},      {"99999999999999999999", -7},    {"0x10000000000000000", -7},
        {"0xFFFFFFFFFFFFFFFF", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const IniFile ini = IniFile::parse(QByteArray("[s]\nk=") + c.text + "\n");
        EXPECT_EQ(ini.readInt("s", "k", -7), c.expected);
    }
}

TEST(IniFile, WritesReplaceInPlaceAndAppendWhatIsMissing) {
    IniFile ini = IniFile::parse("; a comment\n[A]\nx=1\n\ny=2\n[B]\nz=3\n");
    ini.writeInt("a", "X", 10);           // replaced where it stands
    ini.writeString("A", "w", "new");     // appended to the end of [A]
    ini.writeString("C", "k", "v");       // new section at the end
    ini.writeString("b", "z", "  spaced");
    EXPECT_EQ(ini.serialize(), "; a comment\n[A]\nx=10\n\ny=2\nw=new\n[B]\nz=  spaced\n[C]\nk=v\n");
}

TEST(IniFile, EraseRemovesTheSectionSpeltSoElseTheFirstOfThatName) {
    IniFile spelt = IniFile::parse("[Gate]\nk=kept\n[gate]\nk=dead\n");
    spelt.eraseSection("gate");
    EXPECT_EQ(spelt.serialize(), "[Gate]\nk=kept\n");

    IniFile ini = IniFile::parse("[Dup]\nk=first\n[Other]\nk=o\n[DUP]\nk=second\n");
    ini.eraseSection("dup");
    EXPECT_EQ(ini.readString("Dup", "k", ""), "second");
    EXPECT_EQ(ini.sectionNames(), (QStringList{"Other", "DUP"}));
    ini.eraseSection("Dup");
    ini.eraseSection("Dup");  // nothing left to erase: no effect
    EXPECT_EQ(ini.serialize(), "[Other]\nk=o\n");
}

TEST(IniFile, EntriesKeepFileOrderAndDuplicates) {
    const IniFile ini = IniFile::parse("[String Table]\n14=CHANNEL\n7=a=b\n14=later\nnot a key line\n");
    const std::vector<std::pair<QString, QString>> expected{{"14", "CHANNEL"}, {"7", "a=b"}, {"14", "later"}};
    EXPECT_EQ(ini.entries("string table"), expected);
    EXPECT_EQ(ini.readString("String Table", "14", ""), "CHANNEL");
}

TEST(IniFile, ReadsCrlfBomAndGbkText) {
    IniFile crlf = IniFile::parse("\xEF\xBB\xBF[S]\r\nk = v\r\n");
    EXPECT_EQ(crlf.readString("S", "k", ""), "v");
    crlf.writeString("S", "n", "1");
    EXPECT_EQ(crlf.serialize(), "\xEF\xBB\xBF[S]\r\nk = v\r\nn=1\r\n");

    // "[测试]" and "！" in GBK, which is not valid UTF-8.
    const IniFile gbk = IniFile::parse("[\xB2\xE2\xCA\xD4]\nText=Failed\xA3\xA1\n");
    EXPECT_EQ(gbk.sectionNames(), QStringList{QStringLiteral("测试")});
    EXPECT_EQ(gbk.readString(QStringLiteral("测试"), "text", ""), QStringLiteral("Failed\uFF01"));
}

TEST(IniFile, SurvivesDamagedAndBinaryInput) {
    const IniFile keyBeforeSection = IniFile::parse("k=v\n[unclosed\n[ok]\n=novalue\nk\n[ok2]k=v\n");
    EXPECT_EQ(keyBeforeSection.sectionNames(), (QStringList{"ok", "ok2"}));
    EXPECT_TRUE(keyBeforeSection.keys("ok").isEmpty());

    QByteArray noise(256 * 1024, '\0');
    QRandomGenerator random(42);
    for (char& c : noise) c = static_cast<char>(random.bounded(256));
    noise.replace(1000, 8, "\n[x]\nk=1");
    const IniFile binary = IniFile::parse(noise);
    EXPECT_TRUE(binary.hasSection("x"));
    EXPECT_FALSE(binary.serialize().isEmpty());
}

TEST(IniFile, MissingEmptyAndOversizedFilesReadAsEmpty) {
    const test::TempDir dir;
    const IniFile missing = IniFile::load(dir.file("none.ini"));
    EXPECT_FALSE(missing.fileExisted());
    EXPECT_TRUE(missing.errorString().isEmpty());
    EXPECT_TRUE(IniFile::load(dir.write("empty.ini", "")).sectionNames().isEmpty());

    QFile huge(dir.file("huge.ini"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(IniFile::maxFileBytes + 1));
    huge.close();
    const IniFile refused = IniFile::load(huge.fileName());
    EXPECT_TRUE(refused.sectionNames().isEmpty());
    EXPECT_FALSE(refused.errorString().isEmpty());
}

TEST(IniFile, SaveReplacesTheFileWholeAndReportsReadOnlyFiles) {
    const test::TempDir dir;
    const QString path = dir.write("list.ini", "[A]\nk=1\n");
    IniFile ini = IniFile::load(path);
    ini.writeInt("A", "k", 2);
    ASSERT_TRUE(ini.save()) << ini.errorString().toStdString();
    EXPECT_EQ(dir.read("list.ini"), "[A]\nk=2\n");

    QFile::setPermissions(path, QFileDevice::ReadOwner);
    ini.writeInt("A", "k", 3);
    if (QFileInfo(path).isWritable()) GTEST_SKIP() << "running as a user that ignores file permissions";
    EXPECT_FALSE(ini.save());
    EXPECT_FALSE(ini.errorString().isEmpty());
    EXPECT_EQ(dir.read("list.ini"), "[A]\nk=2\n");
}

TEST(IniFile, ManySectionsStayFastToWriteAndErase) {
    // Linear behaviour: 20000 sections written, half erased, and read back.
    IniFile ini;
    for (int i = 0; i < 20000; ++i) ini.writeInt(QString("Dev%1").arg(i), "Port", i);
    for (int i = 0; i < 20000; i += 2) ini.eraseSection(QString("dev%1").arg(i));
    const IniFile back = IniFile::parse(ini.serialize());
    EXPECT_EQ(back.sectionNames().size(), 10000);
    EXPECT_EQ(back.readInt("Dev19999", "port", 0), 19999);
}

}  // namespace
}  // namespace strovik
