// The video client library against devsim's live streams on loopback.
#include "DevsimProcess.h"
#include "devicelibs/ffmpeg/FfmpegVideoClient.h"
#include "devicelibs/video/LiveSessionProtocol.h"
#include "devicelibs/wire/MessageFraming.h"
#include "e2e/LinkTestSupport.h"
#include "e2e/MediaProbe.h"
#include "e2e/SessionListener.h"
#include "e2e/VideoTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QTest>

#include <thread>

namespace strovik {
namespace {

using namespace std::chrono_literals;
using test::kVideoEventMessage;

constexpr std::uint16_t kDevicePort = 5050;
// The devices' addresses: devsim.address(kGate), devsim.address(kFlaky), devsim.address(kOdd).
constexpr int kGate = 2;
constexpr int kFlaky = 3;
constexpr int kOdd = 4;
// Who may watch: every user the verification port verifies, whatever the rights level.
const QString kUsers = QStringLiteral(
    "Channels=2\nUser1=admin\nPassword1=secret\nRights1=58\nUser2=viewer\nPassword2=v\nRights2=50\n"
    "User3=guest\nPassword3=g\nRights3=10\n");

class VideoClientTest : public ::testing::Test {
protected:
    // Three two-channel devices: "Gate", "Flaky", whose live streams devsim drops after 600 ms, and
    // "Odd", with streams of other sizes that end after a random 400 to 900 ms.
    void SetUp() override {
        ASSERT_TRUE(devsim.start(
            test::DeviceSection("Gate", devsim.address(kGate), kUsers) +
            test::DeviceSection("Flaky", devsim.address(kFlaky), kUsers + "LiveDropAfterMs=600\n") +
            test::DeviceSection("Odd", devsim.address(kOdd),
                                kUsers + "MainStreamSize=480x272\nSubStreamSize=160x90\n"
                                         "LiveDropRandomMs=400-900\n")))
            << devsim.errorString().toStdString();
    }

    ClientStartInfo startInfo(int device, int streamIndex, RenderTarget* target,
                              const std::string& userName = "admin", const std::string& password = "secret") const {
        ClientStartInfo info;
        info.channelIndex = static_cast<std::uint8_t>(streamIndex);
        info.port = kDevicePort;
        info.address = devsim.address(device);
        info.userName = userName;
        info.password = password;
        info.window = target;
        return info;
    }

    devsim::DevsimProcess devsim;
    test::TempDir dir;
};

TEST_F(VideoClientTest, FourStreamsFillTheirTargetsAndSnapshotsKeepTheStreamSize) {
    test::TargetWindow window({{352, 198}, {240, 135}, {175, 99}, {400, 225}});
    FfmpegVideoClient client;
    // Main streams at 0 and 1, sub streams of the same channels at 2 and 3.
    std::vector<std::int32_t> handles;
    for (int i = 0; i < 4; ++i) {
        handles.push_back(client.X_ClientStart(startInfo(kGate, i, &window.target(i)), -1, 2));
        ASSERT_GE(handles.back(), 1) << "stream " << i;
    }
    // Pictures come at the target's size when that shrinks the stream, else at the stream's own
    // size (the painter stretches them).
    const QSize pictureSizes[] = {{352, 198}, {240, 135}, {175, 99}, {320, 180}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(test::WaitForPictures(window.target(i), 3));
        EXPECT_EQ(window.target(i).lastPictureSize(), pictureSizes[i]);
    }

    const struct {
        int stream;
        QSize size;
    } snapshots[] = {{0, {640, 360}}, {2, {320, 180}}, {3, {320, 180}}};  // main and sub of channel 1
    for (const auto& snapshot : snapshots) {
        SCOPED_TRACE(snapshot.stream);
        const QString file = dir.file(QString("shot%1.bmp").arg(snapshot.stream));
        ASSERT_NE(client.X_ClientCapPicFile(handles[snapshot.stream], file.toStdString(), 2), 0);
        QImage picture;
        ASSERT_TRUE(picture.load(file, "BMP"));
        EXPECT_EQ(picture.size(), snapshot.size);
    }
    for (const std::int32_t handle : handles) EXPECT_NE(client.X_ClientStop(handle, 2), 0);
    EXPECT_EQ(client.X_ClientStop(handles[0], 2), 0) << "a stopped handle is dead";
    EXPECT_EQ(client.X_ClientCapPicFile(handles[0], dir.file("late.bmp").toStdString(), 2), 0);
}

TEST_F(VideoClientTest, FailedStartsReturnTheirCodes) {
    // A device that accepts and never answers: it only waits for the client to give up.
    test::SessionListener mute([](TcpSocket& socket, std::stop_token) {
        std::uint8_t request[256];
        std::size_t received = 0;
        while (socket.receiveSome(request, sizeof request, &received, 10s) == TcpSocket::Status::Ok) {
        }
    });
    // A device that answers, one byte every 100 ms.
    test::SessionListener trickling([](TcpSocket& socket, std::stop_token stop) {
        std::vector<std::uint8_t> request;
        if (ReceiveMessage(socket, request, 2s) != MessageStatus::Ok) return;
        std::vector<std::uint8_t> message(4);
        PutLittleEndian32(message.data(), sizeof(LiveStreamAnswer));
        const std::vector<std::uint8_t> answer = EncodeRecord(LiveStreamAnswer{});
        message.insert(message.end(), answer.begin(), answer.end());
        for (const std::uint8_t byte : message) {
            if (stop.stop_requested() || socket.sendAll(&byte, 1, 1s) != TcpSocket::Status::Ok) return;
            std::this_thread::sleep_for(100ms);
        }
    });
    const auto at = [](const test::SessionListener& listener) {
        ClientStartInfo info;
        info.address = "127.0.0.1";
        info.port = listener.port();
        return info;
    };
    ClientStartInfo nobodyListening = startInfo(kGate, 0, nullptr);
    nobodyListening.address = devsim.address(9);
    ClientStartInfo noPort = startInfo(kGate, 0, nullptr);
    noPort.port = 0;
    FfmpegVideoClient::Options options;
    options.answerTimeout = 300ms;
    FfmpegVideoClient client(options);
    const struct {
        const char* what;
        ClientStartInfo info;
        std::int32_t expected;
    } cases[] = {
        {"wrong password", startInfo(kGate, 0, nullptr, "admin", "guess"), ClientStartError::LoginRefused},
        {"unknown user", startInfo(kGate, 0, nullptr, "nobody", ""), ClientStartError::LoginRefused},
        {"rights too low to log in", startInfo(kGate, 0, nullptr, "guest", "g"), ClientStartError::LoginRefused},
        {"no such stream", startInfo(kGate, 4, nullptr), ClientStartError::NoSuchStream},
        {"nothing listening", nobodyListening, ClientStartError::CannotConnect},
        {"no answer", at(mute), ClientStartError::NoAnswer},
        {"an answer too slow to arrive", at(trickling), ClientStartError::NoAnswer},
        {"no port", noPort, ClientStartError::BadArguments},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(client.X_ClientStart(c.info, -1, 2), c.expected);
        EXPECT_LT(timer.elapsed(), 1500);
    }
    // A user with search rights only may still watch. (With the default answer time: devsim
    // encodes a stream when it is first asked for.)
    FfmpegVideoClient patient;
    const std::int32_t viewer = patient.X_ClientStart(startInfo(kGate, 3, nullptr, "viewer", "v"), -1, 2);
    EXPECT_GE(viewer, 1);
    patient.X_ClientStop(viewer, 2);
    EXPECT_TRUE(devsim.waitForLogLine({"kind=live", "outcome=login-refused", "user=guest"}, 2s));
}

TEST_F(VideoClientTest, StartExGoesThroughTheRelay) {
    test::TargetWindow window({{160, 90}});
    FfmpegVideoClient client;
    // The device itself is not reachable; the relay serves the session.
    ClientStartInfo info = startInfo(kGate, 0, &window.target(0));
    const std::string deviceAddress = info.address;
    info.address = "127.0.0.1";
    info.port = 1;
    const std::int32_t handle =
        client.X_ClientStartEx(info, RelayInfo{deviceAddress, static_cast<std::int16_t>(kDevicePort)}, 2);
    ASSERT_GE(handle, 1);
    EXPECT_TRUE(test::WaitForPictures(window.target(0), 2));
    EXPECT_EQ(client.X_ClientStartEx(info, RelayInfo{"127.0.0.1", 0}, 2), ClientStartError::BadArguments);
    EXPECT_NE(client.X_ClientStop(handle, 2), 0);
}

TEST_F(VideoClientTest, ADroppedStreamIsReportedToEveryGridOnTheGuiThread) {
    FfmpegVideoClient client;
    test::VideoEventRecorder grid;
    auto fullScreenGrid = std::make_unique<test::VideoEventRecorder>();
    ASSERT_NE(client.X_ClientInit(kVideoEventMessage, &grid), 0);
    ASSERT_NE(client.X_ClientInit(kVideoEventMessage, fullScreenGrid.get()), 0);
    EXPECT_EQ(client.X_ClientInit(kVideoEventMessage, nullptr), 0);

    test::TargetWindow window({{160, 90}});
    QElapsedTimer streaming;
    streaming.start();
    const std::int32_t first = client.X_ClientStart(startInfo(kFlaky, 0, &window.target(0)), -1, 2);
    ASSERT_GE(first, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !grid.events.empty(); }, 10000));
    EXPECT_GE(streaming.elapsed(), 550) << "devsim drops the stream 600 ms after it started";
    EXPECT_GT(window.target(0).picturesPainted(), 0);
    ASSERT_EQ(grid.events.size(), 1u);
    EXPECT_EQ(grid.events[0].message, kVideoEventMessage);
    EXPECT_EQ(grid.events[0].wParam, kStreamLostEvent);
    EXPECT_EQ(grid.events[0].lParam, first - kStreamHandleBias);
    EXPECT_TRUE(grid.events[0].onGuiThread);
    EXPECT_TRUE(devsim.waitForLogLine({"device=Flaky", "kind=live", "outcome=fault-drop", "stream=0"}, 2s));
    EXPECT_EQ(fullScreenGrid->events.size(), 1u);
    EXPECT_NE(client.X_ClientStop(first, 2), 0) << "a lost stream is still stopped by its window";

    // The full-screen grid goes (cleanup, then destroyed): the main grid's streams stay and its
    // events still arrive.
    client.X_ClientCleanup();
    fullScreenGrid.reset();
    const std::int32_t second = client.X_ClientStart(startInfo(kFlaky, 1, nullptr), -1, 2);
    ASSERT_GE(second, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid.events.size() == 2; }, 10000));
    EXPECT_EQ(grid.events[1].lParam + kStreamHandleBias, second);
    client.X_ClientStop(second, 2);
    client.X_ClientCleanup();
}

TEST_F(VideoClientTest, ADevicesStreamSizesAndRandomDropsReachTheClient) {
    FfmpegVideoClient client;
    test::VideoEventRecorder grid;
    ASSERT_NE(client.X_ClientInit(kVideoEventMessage, &grid), 0);
    test::TargetWindow window({{640, 360}, {640, 360}});
    QElapsedTimer streaming;
    streaming.start();
    // Channel 1's main stream and its sub stream.
    const std::int32_t main = client.X_ClientStart(startInfo(kOdd, 0, &window.target(0)), -1, 2);
    const std::int32_t sub = client.X_ClientStart(startInfo(kOdd, 2, &window.target(1)), -1, 2);
    ASSERT_GE(main, 1);
    ASSERT_GE(sub, 1);
    ASSERT_TRUE(test::WaitForPictures(window.target(0), 1));
    ASSERT_TRUE(test::WaitForPictures(window.target(1), 1));
    // Smaller than the target: the pictures come at the stream's own size.
    EXPECT_EQ(window.target(0).lastPictureSize(), QSize(480, 272));
    EXPECT_EQ(window.target(1).lastPictureSize(), QSize(160, 90));
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid.events.size() == 2; }, 10000));
    EXPECT_GE(streaming.elapsed(), 380) << "no stream ends before 400 ms";
    EXPECT_EQ(grid.events[0].wParam, kStreamLostEvent);
    EXPECT_EQ(grid.events[1].wParam, kStreamLostEvent);
    client.X_ClientStop(main, 2);
    client.X_ClientStop(sub, 2);
    client.X_ClientCleanup();
}

TEST_F(VideoClientTest, StoppingDevsimEndsItsStreamsAtOnce) {
    test::TargetWindow window({{160, 90}});
    FfmpegVideoClient client;
    test::VideoEventRecorder grid;
    client.X_ClientInit(kVideoEventMessage, &grid);
    const std::int32_t handle = client.X_ClientStart(startInfo(kGate, 0, &window.target(0)), -1, 2);
    ASSERT_GE(handle, 1);
    ASSERT_TRUE(test::WaitForPictures(window.target(0), 2));
    QElapsedTimer stopping;
    stopping.start();
    EXPECT_EQ(devsim.stop(), 0);
    EXPECT_LT(stopping.elapsed(), 1000) << "a paced session notices the stop at once";
    EXPECT_TRUE(devsim.waitForLogLine({"kind=live", "outcome=stopped", "user=admin", "stream=0"}, 1s));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !grid.events.empty(); }, 5000));
    EXPECT_EQ(grid.events[0].lParam, handle - kStreamHandleBias);
    EXPECT_NE(client.X_ClientStop(handle, 2), 0);
    client.X_ClientCleanup();
}

TEST_F(VideoClientTest, LastCleanupStopsTheStreams) {
    FfmpegVideoClient client;
    test::VideoEventRecorder grid;
    client.X_ClientInit(kVideoEventMessage, &grid);
    const std::int32_t handle = client.X_ClientStart(startInfo(kGate, 0, nullptr), -1, 2);
    ASSERT_GE(handle, 1);
    client.X_ClientCleanup();
    EXPECT_EQ(client.X_ClientStop(handle, 2), 0);
    QTest::qWait(0);
    EXPECT_TRUE(grid.events.empty()) << "a stream stopped on purpose is not lost";
}

TEST_F(VideoClientTest, CaptureWritesAnAviOfTheReceivedStream) {
    test::TargetWindow window({{320, 180}});
    FfmpegVideoClient client;
    const std::int32_t handle = client.X_ClientStart(startInfo(kGate, 0, &window.target(0)), -1, 2);
    ASSERT_GE(handle, 1);
    ASSERT_TRUE(test::WaitForPictures(window.target(0), 1));
    const std::string file = dir.file("20240105083015_M_00.avi").toStdString();
    // About three seconds of pictures (the stream runs at 25 a second).
    const double seconds = test::RecordWhilePainting(client, handle, file, window.target(0), 75, 15000);
    ASSERT_GT(seconds, 0);
    EXPECT_EQ(client.X_ClientStopCapture(handle, 2), 0) << "nothing left to stop";

    const test::MediaProbe probe = test::ProbeMediaFile(file);
    ASSERT_TRUE(probe.opened);
    EXPECT_EQ(probe.format, "avi");
    EXPECT_EQ(probe.videoCodec, "h264");
    EXPECT_EQ(probe.width, 640);
    EXPECT_EQ(probe.height, 360);
    // The file starts at the first key frame after the start (one every two seconds).
    EXPECT_GE(probe.durationSeconds, seconds - 2.2);
    EXPECT_LE(probe.durationSeconds, seconds + 0.5);
    EXPECT_GE(probe.videoKeyPackets, 1);
    EXPECT_EQ(probe.decodedPictures, probe.videoPackets) << "every stored picture decodes";
    EXPECT_EQ(probe.audioCodec, "pcm_mulaw");
    EXPECT_GT(probe.audioPackets, 0);
    client.X_ClientStop(handle, 2);

    EXPECT_EQ(client.X_ClientStartCaptureFile(handle, file, 2), 0) << "stopped stream";
}

TEST_F(VideoClientTest, DropLevelsChangeHowManyPicturesAreDecoded) {
    test::TargetWindow window({{160, 90}});
    RenderWidget& target = window.target(0);
    FfmpegVideoClient client;
    const std::int32_t handle = client.X_ClientStart(startInfo(kGate, 0, &target), -1, 2);
    ASSERT_GE(handle, 1);
    ASSERT_TRUE(test::WaitForPictures(target, 1));

    // Key frames only: one picture per two-second loop.
    ASSERT_NE(client.X_ClientThrowBFrame(handle, 388, 2), 0);
    ASSERT_TRUE(test::WaitForPictures(target, 1, 5000));
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(test::WaitForPictures(target, 2, 8000));
    EXPECT_GE(timer.elapsed(), 3000);

    // Pictures nothing refers to are skipped: two of every three.
    ASSERT_NE(client.X_ClientThrowBFrame(handle, 18, 2), 0);
    ASSERT_TRUE(test::WaitForPictures(target, 1, 5000));
    timer.restart();
    ASSERT_TRUE(test::WaitForPictures(target, 10, 8000));
    EXPECT_GE(timer.elapsed(), 900);

    ASSERT_NE(client.X_ClientThrowBFrame(handle, 0, 2), 0);
    ASSERT_NE(client.X_ClientSetQuality(handle, 0, 2), 0);
    EXPECT_TRUE(test::WaitForPictures(target, 25, 8000));
    EXPECT_EQ(client.X_ClientThrowBFrame(handle + 100, 0, 2), 0);
    client.X_ClientStop(handle, 2);
}

TEST_F(VideoClientTest, PicturesMoveToANewTargetAndSurviveTheOldOneGoing) {
    test::TargetWindow window({{320, 180}, {200, 100}, {100, 60}});
    FfmpegVideoClient client;
    const std::int32_t handle = client.X_ClientStart(startInfo(kGate, 1, &window.target(0)), -1, 2);
    ASSERT_GE(handle, 1);
    ASSERT_TRUE(test::WaitForPictures(window.target(0), 2));

    ASSERT_NE(client.X_ClientChangeRenderHandle(handle, &window.target(1), 2), 0);
    EXPECT_TRUE(test::WaitForPictures(window.target(1), 2));
    EXPECT_TRUE(window.target(0).pictureSlot()->latestPicture().isNull()) << "the old target turns black";

    // The target goes away while pictures are in flight; the stream goes on drawing into the
    // orphaned slot and can move again.
    const std::shared_ptr<PictureSlot> orphan = window.target(1).pictureSlot();
    window.destroyTarget(1);
    const qint64 lastKey = orphan->latestPicture().cacheKey();
    ASSERT_TRUE(QTest::qWaitFor([&] { return orphan->latestPicture().cacheKey() != lastKey; }, 5000));
    ASSERT_NE(client.X_ClientChangeRenderHandle(handle, &window.target(2), 2), 0);
    EXPECT_TRUE(test::WaitForPictures(window.target(2), 2));
    EXPECT_NE(client.X_ClientStop(handle, 2), 0);
    EXPECT_TRUE(window.target(2).pictureSlot()->latestPicture().isNull()) << "a stopped stream leaves black";
}

TEST_F(VideoClientTest, SoundFollowsOneStreamAndNeedsNoSoundDevice) {
    FfmpegVideoClient client;
    const std::int32_t main = client.X_ClientStart(startInfo(kGate, 0, nullptr), -1, 2);
    const std::int32_t sub = client.X_ClientStart(startInfo(kGate, 2, nullptr), -1, 2);
    ASSERT_GE(main, 1);
    ASSERT_GE(sub, 1);
    EXPECT_NE(client.X_ClientAudioStart(main, 2), 0);
    EXPECT_EQ(client.X_ClientAudioStart(sub, 2), 0) << "the sub stream carries no sound";
    EXPECT_EQ(client.X_ClientAudioStop(2), 0)
        << "starting the sub stream's sound already ended the main one's";
    EXPECT_NE(client.X_ClientAudioStart(main, 2), 0);
    EXPECT_NE(client.X_ClientAudioStop(2), 0);
    EXPECT_NE(client.X_ClientStop(main, 2), 0);
    EXPECT_NE(client.X_ClientStop(sub, 2), 0);
}

}  // namespace
}  // namespace strovik
