// An RTSP camera in the real main window with the real libraries against GStreamer's RTSP server:
// opened from the tree it shows live pictures, records into an AVI and snapshots into a BMP; wrong
// credentials give the design's message; the server stopped and started again brings the window
// back by itself.
#include "RtspServerProcess.h"
#include "app/StrovikForm.h"
#include "e2e/LiveViewTestSupport.h"
#include "e2e/MediaProbe.h"
#include "liveview/MyView.h"
#include "liveview/ViewForm.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QDirIterator>
#include <QTest>

namespace strovik {
namespace {

constexpr std::uint16_t kCameraPort = 554;
const QSize kStreamSize{640, 360};

class RtspLiveViewE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        devsim::RtspServerProcess::Setup setup;
        setup.paths = {"/main", "/sub"};
        setup.userName = "admin";
        setup.password = "admin";
        ASSERT_TRUE(server.start(setup)) << server.errorString().toStdString();
    }

    // The camera as the device list keeps it: one channel, its main and sub stream on the server.
    test::ListedDevice camera(const QString& name, const QString& password = QStringLiteral("admin")) const {
        return {name, server.address(), 1, kCameraPort, password,
                QStringLiteral("Protocol=rtsp\nRtspMain=%1\nRtspSub=%2\n")
                    .arg(QString::fromStdString(server.url("/main")), QString::fromStdString(server.url("/sub")))};
    }

    static bool waitForLive(TMyView& window, const char* device, int timeoutMs = 15000) {
        return QTest::qWaitFor(
            [&] {
                return window.state() == ViewState::Live && window.connection().deviceName.str() == device &&
                       window.picturesPainted() > 0;
            },
            timeoutMs);
    }

    static bool waitForMorePictures(const TMyView& window, int count, int timeoutMs = 10000) {
        const qint64 target = window.picturesPainted() + count;
        return QTest::qWaitFor([&] { return window.picturesPainted() >= target; }, timeoutMs);
    }

    devsim::RtspServerProcess server;
    test::TempDir drive;
};

QStringList FilesBelow(const QString& base, const QString& pattern) {
    QStringList files;
    QDirIterator it(base, {pattern}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files.push_back(it.next());
    return files;
}

TEST_F(RtspLiveViewE2ETest, ACameraFromTheTreeShowsLivePicturesAndIsRecordedAndSnapshotted) {
    test::LiveMainWindow main({camera(QStringLiteral("Lobby"))}, drive.path());
    main.doubleClickChannel(0, 0);
    TMyView& window = main.view(0);
    ASSERT_TRUE(waitForLive(window, "Lobby")) << window.statusText().toStdString();
    const QImage before = test::Grab(window);
    ASSERT_TRUE(waitForMorePictures(window, 10));
    EXPECT_TRUE(test::WaitForPictureChange(window, before, 5000)) << "the picture stands still";
    EXPECT_GE(test::NonBlackShare(test::Grab(window)), 0.3);

    QAbstractButton* record = main.button("RecChnBtn");
    ASSERT_TRUE(record->isEnabled());
    main.click(record);
    EXPECT_NE(window.recording(), 0);
    // Over two seconds: the server sends a key frame every two seconds, and a file starts with one.
    ASSERT_TRUE(waitForMorePictures(window, 90, 20000));
    main.click(record);
    EXPECT_EQ(window.recording(), 0);
    const QStringList recordings = FilesBelow(drive.path() + QStringLiteral("VideoFiles"), QStringLiteral("*.avi"));
    ASSERT_EQ(recordings.size(), 1);
    EXPECT_EQ(QFileInfo(recordings[0]).dir().dirName(), QStringLiteral("Lobby"));
    const test::MediaProbe probe = test::ProbeMediaFile(recordings[0].toStdString());
    ASSERT_TRUE(probe.opened);
    EXPECT_EQ(probe.format, "avi");
    EXPECT_EQ(probe.videoCodec, "h264");
    EXPECT_EQ(QSize(probe.width, probe.height), kStreamSize);
    EXPECT_GT(probe.decodedPictures, 0);
    EXPECT_EQ(probe.decodedPictures, probe.videoPackets);

    main.click(main.button("SnapBtn"));
    const QStringList pictures = FilesBelow(drive.path() + QStringLiteral("VideoPhotos"), QStringLiteral("*.bmp"));
    ASSERT_EQ(pictures.size(), 1);
    QImage picture;
    ASSERT_TRUE(picture.load(pictures[0], "BMP"));
    EXPECT_EQ(picture.size(), kStreamSize);
}

TEST_F(RtspLiveViewE2ETest, WrongCredentialsGiveTheDesignsMessage) {
    test::LiveMainWindow main({camera(QStringLiteral("Door"), QStringLiteral("guess"))}, drive.path());
    main.doubleClickChannel(0, 0);
    TMyView& window = main.view(0);
    const QString refused = QStringLiteral("Door Password not right");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.statusText() == refused; }, 10000))
        << window.statusText().toStdString();
    EXPECT_NE(window.state(), ViewState::Live);
    EXPECT_EQ(window.picturesPainted(), 0);
}

TEST_F(RtspLiveViewE2ETest, TheServerStoppedAndStartedAgainBringsTheWindowBackByItself) {
    test::LiveMainWindow main({camera(QStringLiteral("Gate"))}, drive.path());
    main.doubleClickChannel(0, 0);
    TMyView& window = main.view(0);
    ASSERT_TRUE(waitForLive(window, "Gate")) << window.statusText().toStdString();
    const std::int32_t firstHandle = window.streamHandle();

    server.stop();
    // The lost stream is restarted at once, which fails while the server is away; the window then
    // retries on its reconnect timer (35 s for a device added by hand).
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.ReConnectTimer().isActive(); }, 10000));
    EXPECT_NE(window.state(), ViewState::Live);
    ASSERT_TRUE(server.restart()) << server.errorString().toStdString();

    ASSERT_TRUE(test::WaitForRestartedStream(window, firstHandle, 50000))
        << "the window did not come back: " << window.statusText().toStdString();
    EXPECT_EQ(window.connection().deviceName.str(), "Gate");
    EXPECT_FALSE(window.ReConnectTimer().isActive());
    EXPECT_TRUE(main.ui.messages.empty());
}

}  // namespace
}  // namespace strovik
