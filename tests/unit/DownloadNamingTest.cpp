#include "recordings/DownloadNaming.h"
#include "recordings/PlaybackFiles.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

TEST(DownloadNamingTest, DefaultNames) {
    struct Case {
        const char* remote;
        const char* proposed;
    };
    const Case cases[] = {
        {"LDVR_1_20240102030405_20240102031405_0_0_.264", "20240102030405_S_01.264"},
        {"LDVR_1_20240102030405_20240102031405_9_17_.264", "20240102030405_A_10.264"},
        {"LDVR_1_20240102030405_20240102031405_12_0_.264", "20240102030405_S_13.264"},
        {"LDVR_1_20240102030405_20240102031405_3_1_.264", "20240102030405_A_04.264"},
        {"LDVR_1_20240102030405_20240102031405_3_16_.264", "20240102030405_S_04.264"},
        {"LDVR_1_2024 1 2 3 4 5_20240102031405_0_0_.264", "20240102030405_S_01.264"},
        // Too short, or fields that are no numbers: the name after its last separator.
        {"/a/LDVR_1_2024.264", "LDVR_1_2024.264"},
        {"LDVR_1_20240102030405_20240102031405_x_0_.264", "LDVR_1_20240102030405_20240102031405_x_0_.264"},
        {"LDVR_1_20240102030405_20240102031405_0_0", "LDVR_1_20240102030405_20240102031405_0_0"},
        {"/rec/ch3/cam3.MP4", "cam3.MP4"},
        {"d:\\rec\\cam3.MP4", "cam3.MP4"},
        {"cam3.MP4", "cam3.MP4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.remote);
        EXPECT_EQ(DefaultDownloadName(QString::fromUtf8(c.remote)), QString::fromUtf8(c.proposed));
    }
}

TEST(DownloadNamingTest, FrameFormatTargetsNamedAviGetAOneAppended) {
    EXPECT_EQ(DownloadTransferPath(QStringLiteral("/x/a.avi"), true), QStringLiteral("/x/a.avi1"));
    EXPECT_EQ(DownloadTransferPath(QStringLiteral("/x/a.264"), true), QStringLiteral("/x/a.264"));
    EXPECT_EQ(DownloadTransferPath(QStringLiteral("/x/a.avi"), false), QStringLiteral("/x/a.avi"));
}

TEST(DownloadNamingTest, ByteCountsScaleAboveNotAt1024) {
    struct Case {
        std::uint64_t bytes;
        const char* amount;
        const char* speed;
    };
    const Case cases[] = {
        {0, "0.00  KB", "0.00  KB/s"},          {1048576, "1024.00  KB", "2048.00  KB/s"},
        {1048577, "1.00  MB", "2.00  MB/s"},    {614400, "600.00  KB", "1200.00  KB/s"},
        {1610612736, "1.50  GB", "3.00  GB/s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const ScaledAmount scaled = ScaleByteCount(c.bytes);
        EXPECT_EQ(QString::number(static_cast<double>(scaled.value), 'f', 2) + QLatin1Char(' ') + scaled.unit,
                  QString::fromUtf8(c.amount));
        EXPECT_EQ(DownloadSpeedLine(c.bytes), QString::fromUtf8(c.speed));
    }
    EXPECT_EQ(DownloadAmountLine(614400, 1048576, QStringLiteral("COPIED"), QStringLiteral("TOTAL")),
              QStringLiteral("(COPIED 600.00  KB , TOTAL 1024.00  KB)"));
}

TEST(PlaybackFilesTest, TemporaryFilePerPortAndFormat) {
    EXPECT_EQ(TempPlaybackFile(QStringLiteral("/d/"), 65, QStringLiteral("LDVR_1_x.264")),
              QStringLiteral("/d/Temp/xPlayerVideo[65].264"));
    EXPECT_EQ(TempPlaybackFile(QStringLiteral("/d/"), 128, QStringLiteral("cam.mp4")),
              QStringLiteral("/d/Temp/xPlayerVideo[128].MP4"));
}

}  // namespace
}  // namespace strovik
