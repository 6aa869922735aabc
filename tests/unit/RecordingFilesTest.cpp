#include "devicelibs/video/FrameFileReader.h"
#include "devsim/media/RecordingFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace strovik::devsim {
namespace {

RecordingEntry Entry(int channelIndex, int recordType, RecordingFormat format) {
    const QDateTime start(QDate(2024, 3, 1), QTime(8, 0), Qt::UTC);
    return {start, start.addSecs(600), channelIndex, recordType, format};
}

TEST(RecordingFiles, TheNameSaysTheFormat) {
    const struct {
        std::string name;
        std::optional<RecordingFormat> format;
    } cases[] = {
        {RecordingFileName(Entry(0, 2, RecordingFormat::FrameFormat)), RecordingFormat::FrameFormat},
        {RecordingFileName(Entry(11, 3, RecordingFormat::FrameFormat)), RecordingFormat::FrameFormat},
        {RecordingFileName(Entry(0, 2, RecordingFormat::Mp4)), RecordingFormat::Mp4},
        {RecordingFileName(Entry(15, 3, RecordingFormat::Mp4)), RecordingFormat::Mp4},
        // The client plays anything with "LDVR" in its name as the frame format.
        {"backup-LDVR-copy.264", RecordingFormat::FrameFormat},
        {"ch1-auto.264", std::nullopt},
        {"ch1-alarm.mp4", std::nullopt},
        {"ch01_1_20240301080000_20240301081000.MP4", std::nullopt},
        {"ch01_1_202403010800_202403010810.mp4", std::nullopt},
        {"xch01_1_20240301080000_20240301081000.mp4", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RecordingFormatOfName(c.name), c.format);
    }
    EXPECT_EQ(RecordingFileName(Entry(15, 3, RecordingFormat::Mp4)), "ch16_1_20240301080000_20240301081000.mp4");
}

TEST(RecordingFiles, WritesWhatIsMissingAndKeepsWhatIsThere) {
    test::TempDir dir;
    MediaCache media;
    const RecordingEntry entry = Entry(1, 2, RecordingFormat::FrameFormat);
    const std::string path = dir.file(QString::fromStdString(RecordingFileName(entry))).toStdString();
    ASSERT_TRUE(EnsureRecordingFile(path, "Dock", entry, media, std::chrono::seconds(3)));
    FrameFileReader reader(path);
    int pictures = 0;
    while (reader.next() == FrameFileReader::Status::Frame) pictures += reader.header().isPicture() ? 1 : 0;
    EXPECT_EQ(pictures, 3 * kFramesPerSecond) << "ten minutes listed, three seconds of content";

    const QString kept = dir.write(QStringLiteral("kept.264"), "not a recording");
    EXPECT_TRUE(EnsureRecordingFile(kept.toStdString(), "Dock", entry, media));
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("not a recording"));

    EXPECT_FALSE(EnsureRecordingFile(dir.file(QStringLiteral("no-such-folder/a.264")).toStdString(), "Dock",
                                     entry, media));
}

}  // namespace
}  // namespace strovik::devsim
