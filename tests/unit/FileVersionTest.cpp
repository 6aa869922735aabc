#include "platform/FileVersion.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace strovik {
namespace {

TEST(FileVersion, FindsTheStampAnywhereInAFile) {
    const test::TempDir dir;
    const FileVersionWords version{(1u << 16) | 2u, (3u << 16) | 300u};
    // Put the stamp across the scanner's 1 MiB read boundary.
    QByteArray bytes(1024 * 1024 - 7, 'x');
    bytes += MakeVersionStamp(version);
    bytes += QByteArray(100, 'y');
    const auto read = ReadFileVersion(dir.write("stamped.bin", bytes));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->mostSignificant, version.mostSignificant);
    EXPECT_EQ(read->leastSignificant, version.leastSignificant);
}

TEST(FileVersion, NoStampNoFileOrATruncatedStampIsNoVersion) {
    const test::TempDir dir;
    EXPECT_FALSE(ReadFileVersion(dir.write("plain.bin", QByteArray(5000, 'z'))));
    EXPECT_FALSE(ReadFileVersion(dir.file("missing.bin")));
    EXPECT_FALSE(ReadFileVersion(dir.write("cut.bin", MakeVersionStamp({1, 2}).left(15))));
    // A test executable carries no stamp: only the program's own executable is stamped.
    EXPECT_FALSE(ReadFileVersion(QCoreApplication::applicationFilePath()));
}

}  // namespace
}  // namespace strovik
