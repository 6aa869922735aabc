// The stream player library fed with recordings of the simulated device (written in-process), as
// remote playback feeds it; and the conversion of frame-format files to AVI.
#include "devicelibs/ffmpeg/FfmpegStreamPlayer.h"
#include "devicelibs/ffmpeg/FrameFileToAvi.h"
#include "devicelibs/video/FrameFileReader.h"
#include "devsim/media/RecordingFiles.h"
#include "e2e/MediaProbe.h"
#include "e2e/VideoTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTest>

#include <random>
#include <thread>

namespace strovik {
namespace {

using namespace std::chrono_literals;

constexpr std::int32_t kPort = 65;

// Feeds a frame-format file frame by frame as remote playback hands frames over (7 bytes before
// the body, 5 after), one frame every `pace`; a refused frame resets the buffer and is given once
// more. Returns the picture frames accepted.
int FeedFrameFile(StreamPlayerLibrary& player, const std::string& path,
                  std::chrono::milliseconds pace = 0ms) {
    FrameFileReader reader(path);
    std::vector<std::uint8_t> buffer;
    int accepted = 0;
    while (reader.next() == FrameFileReader::Status::Frame) {
        const std::vector<std::uint8_t>& body = reader.body();
        buffer.assign(kDvrInputLeadBytes + body.size() + kDvrInputTailBytes, 0);
        std::copy(body.begin(), body.end(), buffer.begin() + kDvrInputLeadBytes);
        const auto length = static_cast<std::int32_t>(buffer.size());
        const std::int32_t type = reader.header().type;
        if (player.X_Play_DVRInputData(kPort, buffer.data(), length, type) == 0) {
            player.X_Play_ResetSourceBuffer(kPort);
            if (player.X_Play_DVRInputData(kPort, buffer.data(), length, type) == 0) continue;
        }
        if (reader.header().isPicture()) ++accepted;
        std::this_thread::sleep_for(pace);
    }
    return accepted;
}

class StreamPlayerTest : public ::testing::Test {
protected:
    std::shared_ptr<const devsim::EncodedLoop> mainLoop() {
        return media.loop({"Yard", 0, devsim::StreamKind::Main});
    }
    std::string frameRecording(const QString& name, std::chrono::milliseconds length) {
        const std::string path = dir.file(name).toStdString();
        EXPECT_TRUE(devsim::WriteFrameRecording(path, *mainLoop(), length, 1000));
        return path;
    }
    std::string mp4Recording(const QString& name, std::chrono::milliseconds length) {
        const std::string path = dir.file(name).toStdString();
        EXPECT_TRUE(devsim::WriteMp4Recording(path, *mainLoop(), length));
        return path;
    }

    devsim::MediaCache media;
    test::TempDir dir;
};

TEST_F(StreamPlayerTest, PlaysAFrameFormatFileFedFrameByFrame) {
    const std::string path = frameRecording("xPlayerVideo[65].264", 2s);
    FfmpegStreamPlayer player;
    test::TargetWindow window({{320, 180}});

    FrameFileReader reader(path);
    ASSERT_EQ(reader.next(), FrameFileReader::Status::Frame);
    std::uint8_t firstHeader[kFrameHeaderBytes];
    WriteFrameHeader(firstHeader, reader.header());
    const std::uint8_t riff[] = {'R', 'I', 'F', 'F'};
    player.X_Play_GetFileHeadLength(kPort, riff);
    ASSERT_NE(player.X_Play_SetStreamOpenMode(kPort, StreamOpenMode::FrameStream), 0);
    ASSERT_NE(player.X_Play_DVROpenStream(kPort, firstHeader, kFrameHeaderBytes, 1), 0);
    ASSERT_NE(player.X_Play_ThrowBFrameNum(kPort, 0), 0);
    ASSERT_NE(player.X_Play_Play(kPort, &window.target(0)), 0);
    ASSERT_NE(player.X_Play_PlaySound(kPort), 0);

    int accepted = 0;
    std::thread feeder([&] { accepted = FeedFrameFile(player, path, 20ms); });
    feeder.join();
    EXPECT_EQ(accepted, 50);
    // Every picture but the decoder's reorder delay reaches the target.
    const std::shared_ptr<PictureSlot> slot = window.target(0).pictureSlot();
    EXPECT_TRUE(QTest::qWaitFor([&] { return slot->picturesPublished() >= 48; }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.target(0).picturesPainted() > 0; }, 5000));
    EXPECT_EQ(window.target(0).lastPictureSize(), QSize(320, 180));
    const QString shot = dir.file("shot.bmp");
    ASSERT_NE(player.X_Play_CapPicFile(kPort, shot.toStdString()), 0);
    EXPECT_EQ(QImage(shot, "BMP").size(), QSize(640, 360));

    EXPECT_NE(player.X_Play_Stop(kPort), 0);
    EXPECT_TRUE(window.target(0).pictureSlot()->latestPicture().isNull());
    EXPECT_NE(player.X_Play_StopSound(), 0);
    EXPECT_NE(player.X_Play_CloseStream(kPort), 0);
    EXPECT_EQ(player.X_Play_DVRInputData(kPort, firstHeader, kFrameHeaderBytes, 1), 0) << "closed port";
}

// (A whole recording's conversion is tested on one downloaded from devsim: RecordingsE2ETest.)
TEST_F(StreamPlayerTest, ConvertsAPartialCopyUpToItsLastWholeFrame) {
    const std::string path = frameRecording("20240105083015_S_01.264", 2s);
    FfmpegStreamPlayer player;
    QFile whole(QString::fromStdString(path));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    // A playback copy cut short inside a frame.
    const std::string cut = dir.write("xPlayerVideo[66].264", bytes.left(bytes.size() / 2 + 7)).toStdString();
    ASSERT_NE(player.X_Play_DVRtoAVI(cut, 2), 0);
    const test::MediaProbe partial = test::ProbeMediaFile(AviPathFor(cut));
    EXPECT_EQ(partial.format, "avi");
    EXPECT_GT(partial.videoPackets, 15);
    EXPECT_LT(partial.videoPackets, 35);
    EXPECT_EQ(partial.decodedPictures, partial.videoPackets);
}

TEST_F(StreamPlayerTest, ConvertingDamagedFilesNeverCrashes) {
    const std::string path = frameRecording("whole.264", 1s);
    QFile whole(QString::fromStdString(path));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    FfmpegStreamPlayer player;
    std::mt19937 random(11);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        QByteArray damaged = bytes;
        // Flip bytes anywhere: in headers (lengths, types) as well as in the pictures.
        for (int flips = 0; flips < 1 + round * 4; ++flips)
            damaged[static_cast<qsizetype>(random() % damaged.size())] = static_cast<char>(random());
        const std::string copy = dir.write(QString("damaged%1.264").arg(round), damaged).toStdString();
        if (player.X_Play_DVRtoAVI(copy, 1) != 0) {
            const test::MediaProbe probe = test::ProbeMediaFile(AviPathFor(copy));
            EXPECT_TRUE(probe.opened);
            EXPECT_GT(probe.videoPackets, 0);
        }
    }
}

TEST(AviPathFor, ReplacesTheExtension) {
    const std::pair<std::string, std::string> cases[] = {
        {"d:/Temp/xPlayerVideo[65].264", "d:/Temp/xPlayerVideo[65].avi"},
        {"/home/op/20240105083015_S_01.avi1", "/home/op/20240105083015_S_01.avi"},
        {"/home/op.dir/noextension", "/home/op.dir/noextension.avi"},
    };
    for (const auto& [input, output] : cases) EXPECT_EQ(AviPathFor(input), output) << input;
}

TEST_F(StreamPlayerTest, RefusesWhatItCannotPlay) {
    const std::string framePath = frameRecording("a.264", 1s);
    const std::string mp4Path = mp4Recording("b.MP4", 1s);
    QFile frameFile(QString::fromStdString(framePath));
    QFile mp4File(QString::fromStdString(mp4Path));
    ASSERT_TRUE(frameFile.open(QIODevice::ReadOnly) && mp4File.open(QIODevice::ReadOnly));
    const QByteArray frameBytes = frameFile.readAll();
    const QByteArray mp4Bytes = mp4File.readAll();
    const auto* frameData = reinterpret_cast<const std::uint8_t*>(frameBytes.constData());
    const auto* mp4Data = reinterpret_cast<const std::uint8_t*>(mp4Bytes.constData());
    FfmpegStreamPlayer player;

    // A frame-format file named as a plain one, and the other way round.
    EXPECT_EQ(player.X_Play_OpenStream(kPort, frameData,
                                       std::max(8, player.X_Play_GetFileHeadLength(kPort, frameData))),
              0);
    EXPECT_EQ(player.X_Play_DVROpenStream(kPort, mp4Data, 16, 0), 0);
    // A first header announcing a body beyond the limit.
    std::uint8_t header[kFrameHeaderBytes];
    WriteFrameHeader(header, {kMaxFrameBodyBytes + 1, 0, FrameType::Key});
    EXPECT_EQ(player.X_Play_DVROpenStream(kPort, header, kFrameHeaderBytes, 0), 0);
    // Frame-format stream opened with the plain call.
    player.X_Play_SetStreamOpenMode(kPort, StreamOpenMode::FrameStream);
    EXPECT_EQ(player.X_Play_OpenStream(kPort, mp4Data, 28), 0);
    // Ports outside the range, input to ports that are not open.
    EXPECT_EQ(player.X_Play_Play(-1, nullptr), 0);
    EXPECT_EQ(player.X_Play_Play(kPlayerPortCount, nullptr), 0);
    EXPECT_EQ(player.X_Play_Play(kPort, nullptr), 0);
    EXPECT_EQ(player.X_Play_InputData(kPort, mp4Data, 100), 0);

    // An open frame-format port refuses malformed frames: too short, too long, unknown type.
    WriteFrameHeader(header, {1000, 0, FrameType::Key});
    ASSERT_NE(player.X_Play_DVROpenStream(kPort, header, kFrameHeaderBytes, 0), 0);
    std::vector<std::uint8_t> big(kDvrInputLeadBytes + kMaxFrameBodyBytes + 1 + kDvrInputTailBytes, 0);
    EXPECT_EQ(player.X_Play_DVRInputData(kPort, big.data(), 12, FrameType::Key), 0);
    EXPECT_EQ(
        player.X_Play_DVRInputData(kPort, big.data(), static_cast<std::int32_t>(big.size()), FrameType::Key),
        0);
    EXPECT_EQ(player.X_Play_DVRInputData(kPort, big.data(), 100, 9), 0);

    // Not frame format at all: the conversion writes nothing.
    const std::string impostor = dir.write("c.264", mp4Bytes).toStdString();
    EXPECT_EQ(player.X_Play_DVRtoAVI(impostor, 1), 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(AviPathFor(impostor))));
}

TEST_F(StreamPlayerTest, UndecodablePicturesFailThePortWithoutHarm) {
    FfmpegStreamPlayer player;
    test::TargetWindow window({{160, 90}});
    std::uint8_t header[kFrameHeaderBytes];
    WriteFrameHeader(header, {4000, 0, FrameType::Key});
    ASSERT_NE(player.X_Play_DVROpenStream(kPort, header, kFrameHeaderBytes, 0), 0);
    ASSERT_NE(player.X_Play_Play(kPort, &window.target(0)), 0);
    std::mt19937 random(7);
    std::vector<std::uint8_t> frame(kDvrInputLeadBytes + 4000 + kDvrInputTailBytes);
    const auto feedGarbage = [&] {
        for (std::uint8_t& byte : frame) byte = static_cast<std::uint8_t>(random());
        // A start code and a slice header that claims an IDR picture, then noise.
        const std::uint8_t idr[] = {0, 0, 0, 1, 0x65, 0x88};
        std::copy(std::begin(idr), std::end(idr), frame.begin() + kDvrInputLeadBytes);
        return player.X_Play_DVRInputData(kPort, frame.data(), static_cast<std::int32_t>(frame.size()),
                                          FrameType::Key);
    };
    int accepted = 0;
    EXPECT_TRUE(QTest::qWaitFor([&] { return feedGarbage() == 0 || ++accepted > 2000; }, 20000));
    EXPECT_LE(accepted, 2000) << "the port gives up on data it cannot decode";
    EXPECT_EQ(window.target(0).picturesPainted(), 0);
    EXPECT_NE(player.X_Play_CloseStream(kPort), 0);
}

TEST_F(StreamPlayerTest, TargetMayGoAwayWhilePlaying) {
    const std::string path = frameRecording("d.264", 1s);
    FfmpegStreamPlayer player;
    test::TargetWindow window({{160, 90}, {80, 45}});
    std::uint8_t header[kFrameHeaderBytes];
    WriteFrameHeader(header, {1000, 0, FrameType::Key});
    ASSERT_NE(player.X_Play_DVROpenStream(kPort, header, kFrameHeaderBytes, 1), 0);
    ASSERT_NE(player.X_Play_Play(kPort, &window.target(0)), 0);
    std::thread feeder([&] { FeedFrameFile(player, path); });
    window.destroyTarget(0);
    ASSERT_NE(player.X_Play_ChangeRenderHandle(kPort, &window.target(1)), 0);
    ASSERT_NE(player.X_Play_SetPicQuality(kPort, 0), 0);
    feeder.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.target(1).picturesPainted() > 0; }, 10000));
    EXPECT_NE(player.X_Play_CloseStream(kPort), 0);
}

TEST(CpuUsage, IsAPercentage) {
    FfmpegStreamPlayer player;
    for (int i = 0; i < 3; ++i) {
        const std::int32_t usage = player.X_Play_GetCPUUsage();
        EXPECT_GE(usage, 0);
        EXPECT_LE(usage, 100);
    }
}

}  // namespace
}  // namespace strovik
