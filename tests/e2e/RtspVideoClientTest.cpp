// The video client library against GStreamer's RTSP server on loopback: a camera of another make,
// listed in the NetworkCameras directory, plays through the same decode pipeline, capture and
// snapshots as our own streams, fails its starts with the same codes and ends in the same
// lost-stream event.
#include "RtspServerProcess.h"
#include "devicelibs/cameras/NetworkCameras.h"
#include "devicelibs/ffmpeg/FfmpegVideoClient.h"
#include "e2e/MediaProbe.h"
#include "e2e/MisbehavingRtspServers.h"
#include "e2e/VideoTestSupport.h"
#include "support/TempDir.h"

extern "C" {
#include <libavutil/log.h>
}

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QTest>

#include <cstdarg>
#include <mutex>

namespace strovik {
namespace {

using namespace std::chrono_literals;
using test::kVideoEventMessage;

constexpr std::uint16_t kCameraPort = 554;  // the device record's port: the directory's key
const std::string kUser = "viewer";
const std::string kPassword = "p@ss:w0rd/1";  // every character that an address would need encoded

// FFmpeg's log lines while it lives, to see that no credential reaches a log.
class FfmpegLogCapture final {
public:
    FfmpegLogCapture() {
        av_log_set_callback(&FfmpegLogCapture::collect);
    }
    ~FfmpegLogCapture() { av_log_set_callback(av_log_default_callback); }
    static std::string text() {
        const std::lock_guard guard(mutex_);
        return text_;
    }

private:
    static void collect(void* owner, int level, const char* format, va_list arguments) {
        if (level > av_log_get_level()) return;
        std::vector<char> line(1024);
        int prefix = 1;
        av_log_format_line(owner, level, format, arguments, line.data(), static_cast<int>(line.size()), &prefix);
        const std::lock_guard guard(mutex_);
        text_.append(line.data());
    }
    static inline std::mutex mutex_;
    static inline std::string text_;
};

class RtspVideoClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = std::make_unique<devsim::RtspServerProcess>();
        devsim::RtspServerProcess::Setup setup;
        setup.paths = {"/main", "/sub"};
        setup.userName = kUser;
        setup.password = kPassword;
        if (!server_->start(setup)) startError_ = server_->errorString();
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(startError_.isEmpty()) << startError_.toStdString();
        if (!server_->running()) {
            ASSERT_TRUE(server_->restart()) << server_->errorString().toStdString();
        }
        cameras->Put(server_->address(), kCameraPort, camera());
    }

    static NetworkCamera camera(bool overUdp = false) {
        NetworkCamera camera;
        camera.protocol = CameraProtocol::Rtsp;
        camera.rtspOverUdp = overUdp;
        camera.channels = {{server_->url("/main"), server_->url("/sub")}};
        return camera;
    }

    static ClientStartInfo startInfo(int streamIndex, RenderTarget* target, const std::string& password = kPassword) {
        ClientStartInfo info;
        info.channelIndex = static_cast<std::uint8_t>(streamIndex);
        info.port = kCameraPort;
        info.address = server_->address();
        info.userName = kUser;
        info.password = password;
        info.window = target;
        return info;
    }

    static inline std::unique_ptr<devsim::RtspServerProcess> server_;
    static inline QString startError_;
    std::shared_ptr<NetworkCameras> cameras = std::make_shared<NetworkCameras>();
    test::TempDir dir;
};

TEST_F(RtspVideoClientTest, MainAndSubStreamPlayAndAreRecordedAndSnapshotted) {
    test::TargetWindow window({{320, 180}, {160, 90}});
    FfmpegVideoClient client(cameras);
    // One channel: its main stream is index 0, its sub stream index 1.
    const std::int32_t main = client.X_ClientStart(startInfo(0, &window.target(0)), -1, 2);
    const std::int32_t sub = client.X_ClientStart(startInfo(1, &window.target(1)), -1, 2);
    ASSERT_GE(main, 1);
    ASSERT_GE(sub, 1);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(test::WaitForPictures(window.target(i), 5));
        EXPECT_EQ(window.target(i).lastPictureSize(), window.target(i).size()) << "shrunk to the target";
    }

    const std::string file = dir.file("20240105083015_M_00.avi").toStdString();
    // Over two seconds of pictures: the server sends a key frame every two seconds.
    const double seconds = test::RecordWhilePainting(client, main, file, window.target(0), 100, 20000);
    ASSERT_GT(seconds, 0);

    const QString shot = dir.file("shot.bmp");
    ASSERT_NE(client.X_ClientCapPicFile(main, shot.toStdString(), 2), 0);
    QImage picture;
    ASSERT_TRUE(picture.load(shot, "BMP"));
    EXPECT_EQ(picture.size(), QSize(640, 360)) << "a snapshot keeps the stream's own size";

    EXPECT_NE(client.X_ClientStop(main, 2), 0);
    EXPECT_NE(client.X_ClientStop(sub, 2), 0);

    const test::MediaProbe probe = test::ProbeMediaFile(file);
    ASSERT_TRUE(probe.opened);
    EXPECT_EQ(probe.format, "avi");
    EXPECT_EQ(probe.videoCodec, "h264");
    EXPECT_EQ(QSize(probe.width, probe.height), QSize(640, 360));
    EXPECT_GE(probe.videoKeyPackets, 1);
    EXPECT_GE(probe.durationSeconds, seconds - 2.3);
    EXPECT_LE(probe.durationSeconds, seconds + 0.5);
    EXPECT_EQ(probe.decodedPictures, probe.videoPackets) << "the file starts at a key frame and every picture decodes";
    EXPECT_TRUE(probe.audioCodec.empty());
}

TEST_F(RtspVideoClientTest, RtpOverUdpPlaysWhenTheRecordAsksForIt) {
    cameras->Put(server_->address(), kCameraPort, camera(true));
    test::TargetWindow window({{160, 90}});
    FfmpegVideoClient client(cameras);
    const std::int32_t handle = client.X_ClientStart(startInfo(0, &window.target(0)), -1, 2);
    ASSERT_GE(handle, 1);
    EXPECT_TRUE(test::WaitForPictures(window.target(0), 10));
    EXPECT_NE(client.X_ClientStop(handle, 2), 0);
}

TEST_F(RtspVideoClientTest, FailedStartsReturnTheirCodesInBoundedTimeAndLogNoCredentials) {
    // A server that accepts and never answers DESCRIBE, and one that answers garbage.
    const auto mute = test::MuteRtspServer();
    const auto garbage = test::GarbageRtspServer("HTTP/9 ??? \x01\x02\x03 not rtsp at all\r\n\r\n");
    const auto listedAt = [&](const std::string& address, std::uint16_t port, const std::string& path) {
        NetworkCamera listed;
        listed.protocol = CameraProtocol::Rtsp;
        listed.channels = {{"rtsp://" + address + ":" + std::to_string(port) + path, {}}};
        return listed;
    };
    constexpr std::uint16_t kMutePort = 601;
    constexpr std::uint16_t kGarbagePort = 602;
    constexpr std::uint16_t kNobodyPort = 603;
    constexpr std::uint16_t kMissingPathPort = 604;
    constexpr std::uint16_t kUnverifiedOnvifPort = 605;
    cameras->Put("127.0.0.1", kMutePort, listedAt("127.0.0.1", mute->port(), "/cam"));
    cameras->Put("127.0.0.1", kGarbagePort, listedAt("127.0.0.1", garbage->port(), "/cam"));
    // The RTSP server's port on another loopback address: nothing listens there.
    cameras->Put("127.0.0.1", kNobodyPort, listedAt("127.0.0.2", server_->port(), "/main"));
    cameras->Put("127.0.0.1", kMissingPathPort, listedAt(server_->address(), server_->port(), "/nothing"));
    NetworkCamera unverified;
    unverified.protocol = CameraProtocol::Onvif;
    cameras->Put("127.0.0.1", kUnverifiedOnvifPort, unverified);
    const auto at = [&](std::uint16_t port) {
        ClientStartInfo info = startInfo(0, nullptr);
        info.address = "127.0.0.1";
        info.port = port;
        return info;
    };

    FfmpegVideoClient::Options options;
    options.connectTimeout = 500ms;
    options.answerTimeout = 500ms;
    FfmpegVideoClient client(cameras, options);
    FfmpegLogCapture log;
    const struct {
        const char* what;
        ClientStartInfo info;
        std::int32_t expected;
    } cases[] = {
        {"wrong password", startInfo(0, nullptr, "guess"), ClientStartError::LoginRefused},
        {"no password", startInfo(0, nullptr, ""), ClientStartError::LoginRefused},
        {"no such channel", startInfo(2, nullptr), ClientStartError::NoSuchStream},
        {"no such path on the server", at(kMissingPathPort), ClientStartError::NoSuchStream},
        {"an ONVIF camera whose stream addresses are not known yet", at(kUnverifiedOnvifPort),
         ClientStartError::NoSuchStream},
        {"nothing listening", at(kNobodyPort), ClientStartError::CannotConnect},
        {"DESCRIBE never answered", at(kMutePort), ClientStartError::NoAnswer},
        {"garbage for an answer", at(kGarbagePort), ClientStartError::NoAnswer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(client.X_ClientStart(c.info, -1, 2), c.expected);
        EXPECT_LT(timer.elapsed(), 1500) << "bounded by the connect and answer timeouts";
    }
    const std::string logged = FfmpegLogCapture::text();
    EXPECT_NE(logged.find("401"), std::string::npos) << "FFmpeg's log was not captured: " << logged;
    EXPECT_EQ(logged.find("p@ss"), std::string::npos) << logged;
    EXPECT_EQ(logged.find("p%40ss"), std::string::npos) << logged;
    EXPECT_EQ(logged.find("guess"), std::string::npos) << logged;
}

TEST_F(RtspVideoClientTest, SilentAndStoppedServersEndInTheLostStreamEventAndARestartPlaysAgain) {
    FfmpegVideoClient::Options options;
    options.silenceTimeout = 1500ms;
    FfmpegVideoClient client(cameras, options);
    test::VideoEventRecorder grid;
    ASSERT_NE(client.X_ClientInit(kVideoEventMessage, &grid), 0);
    test::TargetWindow window({{160, 90}});

    // The server stops sending but keeps the connection open.
    const std::int32_t silent = client.X_ClientStart(startInfo(0, &window.target(0)), -1, 2);
    ASSERT_GE(silent, 1);
    ASSERT_TRUE(test::WaitForPictures(window.target(0), 3));
    server_->pause();
    QElapsedTimer quiet;
    quiet.start();
    const bool silenceNoticed = QTest::qWaitFor([&] { return !grid.events.empty(); }, 5000);
    server_->resume();
    ASSERT_TRUE(silenceNoticed);
    EXPECT_GE(quiet.elapsed(), 1000);
    EXPECT_EQ(grid.events[0].wParam, kStreamLostEvent);
    EXPECT_EQ(grid.events[0].lParam, silent - kStreamHandleBias);
    EXPECT_TRUE(grid.events[0].onGuiThread);
    EXPECT_NE(client.X_ClientStop(silent, 2), 0);

    // The server goes away: the stream ends at once; started again on its port, it plays again.
    const std::int32_t stopped = client.X_ClientStart(startInfo(0, &window.target(0)), -1, 2);
    ASSERT_GE(stopped, 1);
    ASSERT_TRUE(test::WaitForPictures(window.target(0), 3));
    server_->stop();
    QElapsedTimer ending;
    ending.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid.events.size() == 2; }, 5000));
    EXPECT_LT(ending.elapsed(), 1000) << "a closed connection needs no silence timeout";
    EXPECT_EQ(grid.events[1].lParam, stopped - kStreamHandleBias);
    EXPECT_NE(client.X_ClientStop(stopped, 2), 0);
    EXPECT_EQ(client.X_ClientStart(startInfo(0, nullptr), -1, 2), ClientStartError::CannotConnect);

    ASSERT_TRUE(server_->restart()) << server_->errorString().toStdString();
    const std::int32_t again = client.X_ClientStart(startInfo(0, &window.target(0)), -1, 2);
    ASSERT_GE(again, 1);
    EXPECT_TRUE(test::WaitForPictures(window.target(0), 3));
    EXPECT_NE(client.X_ClientStop(again, 2), 0);
    client.X_ClientCleanup();
    EXPECT_EQ(grid.events.size(), 2u) << "streams stopped on purpose are not lost";
}

}  // namespace
}  // namespace strovik
