// The live view of the real main window with the real device libraries against devsim: start-all
// fills a page with live pictures, a dropped stream comes back by itself, recordings rotate into
// AVI files, snapshots are BMP files, and recordings that cannot be written end cleanly.
#include "DevsimProcess.h"
#include "app/StrovikForm.h"
#include "devicelibs/video/VideoClientLibrary.h"
#include "devices/DeviceTree.h"
#include "e2e/LiveViewTestSupport.h"
#include "e2e/MediaProbe.h"
#include "liveview/ChannelOpening.h"
#include "liveview/MyView.h"
#include "liveview/RecordNaming.h"
#include "liveview/ViewForm.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

namespace strovik {
namespace {

using namespace std::chrono_literals;

constexpr int kHall = 2;   // devsim.address(kHall): a DVR of 16 channels
constexpr int kFlaky = 3;  // a DVR of 2 channels whose live streams end after kDropAfterMs
constexpr int kDropAfterMs = 2500;
constexpr int kHallChannels = 16;
const QSize kMainStreamSize{640, 360};

class LiveViewE2ETest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        devsim_ = std::make_unique<devsim::DevsimProcess>();
        // Hall's main streams are encoded before devsim is ready: encoding sixteen on first use
        // takes longer than the client's answer timeout on a busy or instrumented machine.
        if (!devsim_->start(test::DvrSection(QStringLiteral("Hall"), devsim_->address(kHall), kHallChannels,
                                             QStringLiteral("PrepareStreams=main")) +
                                test::DvrSection(QStringLiteral("Flaky"), devsim_->address(kFlaky), 2,
                                                 QStringLiteral("LiveDropAfterMs=%1").arg(kDropAfterMs)),
                            {}, std::chrono::seconds(90)))
            startError_ = devsim_->errorString();
    }
    static void TearDownTestSuite() { devsim_.reset(); }

    void SetUp() override { ASSERT_TRUE(startError_.isEmpty()) << startError_.toStdString(); }

    static std::vector<test::ListedDevice> listedDevices() {
        return {{QStringLiteral("Hall"), devsim_->address(kHall), kHallChannels},
                {QStringLiteral("Flaky"), devsim_->address(kFlaky), 2}};
    }

    // Waits until window shows a live stream of device, channel index, with pictures painted.
    static bool waitForLive(TMyView& window, const char* device, int channelIndex, int timeoutMs = 15000) {
        return QTest::qWaitFor(
            [&] {
                return window.state() == ViewState::Live && window.connection().deviceName.str() == device &&
                       window.connection().channelIndex == channelIndex && window.picturesPainted() > 0;
            },
            timeoutMs);
    }

    static bool waitForMorePictures(const TMyView& window, int count, int timeoutMs = 10000) {
        const qint64 target = window.picturesPainted() + count;
        return QTest::qWaitFor([&] { return window.picturesPainted() >= target; }, timeoutMs);
    }

    static inline std::unique_ptr<devsim::DevsimProcess> devsim_;
    static inline QString startError_;
    test::TempDir drive;
};

// The recordings of a device below the base folder, oldest name first.
QStringList RecordingsOf(const QString& base, const QString& device) {
    QStringList files;
    QDirIterator it(base, {QStringLiteral("*.avi")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (QFileInfo(file).dir().dirName() == device) files.push_back(file);
    }
    files.sort();
    return files;
}

TEST_F(LiveViewE2ETest, StartAllFillsSixteenWindowsWithLivePictures) {
    const QStringList hallVerified{QStringLiteral("kind=verify"), QStringLiteral("device=Hall")};
    const int verificationsBefore = test::CountLogLines(*devsim_, hallVerified);
    test::LiveMainWindow main(listedDevices(), drive.path());
    main.chooseLayout(16);
    ASSERT_EQ(main.grid().layout(), 16);
    main.startAll();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (main.opening().busy()) return false;
            for (int i = 0; i < kHallChannels; ++i)
                if (main.view(i).state() != ViewState::Live) return false;
            return true;
        },
        60000));
    for (int i = 0; i < kHallChannels; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(waitForLive(main.view(i), "Hall", i));
    }

    std::vector<QImage> before;
    for (int i = 0; i < kHallChannels; ++i) before.push_back(test::Grab(main.view(i)));
    for (int i = 0; i < kHallChannels; ++i) EXPECT_TRUE(waitForMorePictures(main.view(i), 8)) << i;
    for (int i = 0; i < kHallChannels; ++i) {
        SCOPED_TRACE(i);
        EXPECT_GE(test::NonBlackShare(before[static_cast<std::size_t>(i)]), 0.5);
        EXPECT_TRUE(test::WaitForPictureChange(main.view(i), before[static_cast<std::size_t>(i)], 5000))
            << "the picture stands still";
        EXPECT_GE(test::NonBlackShare(test::Grab(main.view(i))), 0.5);
    }

    // One verification served the whole page; the device shows as opened and recording is offered.
    ASSERT_TRUE(test::WaitForLogLines(*devsim_, hallVerified, verificationsBefore + 1, 5000));
    EXPECT_EQ(test::CountLogLines(*devsim_, hallVerified), verificationsBefore + 1);
    EXPECT_EQ(main.form().state().tree.model().roots()[0]->icon(), 9);
    EXPECT_TRUE(main.button("RecAllBtn")->isEnabled());
    EXPECT_TRUE(main.button("RecChnBtn")->isEnabled());
    EXPECT_TRUE(main.ui.messages.empty());
}

TEST_F(LiveViewE2ETest, StreamThatTheDeviceDropsComesBackByItself) {
    const QStringList dropped{QStringLiteral("device=Flaky"), QStringLiteral("kind=live"),
                              QStringLiteral("outcome=fault-drop"), QStringLiteral("stream=1")};
    const int dropsBefore = test::CountLogLines(*devsim_, dropped);
    test::LiveMainWindow main(listedDevices(), drive.path());
    main.doubleClickChannel(1, 1);
    TMyView& window = main.view(0);
    ASSERT_TRUE(waitForLive(window, "Flaky", 1));
    const std::int32_t firstHandle = window.streamHandle();

    ASSERT_TRUE(test::WaitForLogLines(*devsim_, dropped, dropsBefore + 1, kDropAfterMs + 10000));
    ASSERT_TRUE(test::WaitForRestartedStream(window, firstHandle, 10000))
        << "the window did not come back with pictures";
    EXPECT_EQ(window.connection().deviceName.str(), "Flaky");
    EXPECT_EQ(window.connection().channelIndex, 1);
    EXPECT_FALSE(window.ReConnectTimer().isActive()) << "a restart that worked needs no retry";
    EXPECT_EQ(window.reconnectCount(), 0);

    // The restart was a session of its own (devsim logs a session when it ends), dropped in turn.
    EXPECT_TRUE(test::WaitForLogLines(*devsim_, dropped, dropsBefore + 2, kDropAfterMs + 10000));
    EXPECT_TRUE(main.ui.messages.empty());
}

TEST_F(LiveViewE2ETest, RecordingRotatesIntoAviFilesAndTheSnapshotIsABitmap) {
    constexpr auto kRotation = 4s;
    test::LiveMainWindow main(listedDevices(), drive.path(), kRotation);
    main.doubleClickChannel(0, 2);
    TMyView& window = main.view(0);
    ASSERT_TRUE(waitForLive(window, "Hall", 2));
    QAbstractButton* record = main.button("RecChnBtn");
    ASSERT_TRUE(record->isEnabled());
    EXPECT_EQ(record->text(), QStringLiteral("StartRecord"));

    main.click(record);
    EXPECT_NE(window.recording(), 0);
    EXPECT_EQ(record->text(), QStringLiteral("StopRecord"));
    const QString base = drive.path() + QStringLiteral("VideoFiles");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return RecordingsOf(base, QStringLiteral("Hall")).size() >= 2; }, 15000));
    // Devsim sends a key frame every 2 s and a file begins with one: let the second file reach it.
    EXPECT_TRUE(waitForMorePictures(window, 60));
    main.click(record);
    EXPECT_EQ(window.recording(), 0);
    EXPECT_EQ(record->text(), QStringLiteral("StartRecord"));

    const QStringList files = RecordingsOf(base, QStringLiteral("Hall"));
    ASSERT_GE(files.size(), 2);
    const QRegularExpression name(QStringLiteral("^(\\d{14})_M_02\\.avi$"));
    std::vector<QDateTime> started;
    for (int i = 0; i < 2; ++i) {
        const QFileInfo file(files[i]);
        SCOPED_TRACE(file.filePath().toStdString());
        const QRegularExpressionMatch match = name.match(file.fileName());
        ASSERT_TRUE(match.hasMatch());
        EXPECT_EQ(file.dir().path(),
                  base + QLatin1Char('/') + match.captured(1).left(8) + QStringLiteral("/Hall"));
        started.push_back(QDateTime::fromString(match.captured(1), QStringLiteral("yyyyMMddHHmmss")));

        const test::MediaProbe probe = test::ProbeMediaFile(file.filePath().toStdString());
        ASSERT_TRUE(probe.opened);
        EXPECT_EQ(probe.videoCodec, "h264");
        EXPECT_EQ(QSize(probe.width, probe.height), kMainStreamSize);
        EXPECT_GT(probe.decodedPictures, 0);
        // A file runs for one rotation less the wait for its first key frame (at most 2 s).
        const double rotationSeconds = std::chrono::duration<double>(kRotation).count();
        EXPECT_LE(probe.durationSeconds, rotationSeconds + 0.3);
        EXPECT_GE(probe.durationSeconds, i == 0 ? rotationSeconds - 2.3 : 0.3);
    }
    const qint64 apart = started[0].secsTo(started[1]);
    EXPECT_GE(apart, 3);
    EXPECT_LE(apart, 6);

    main.click(main.button("SnapBtn"));
    const QString photos = drive.path() + QStringLiteral("VideoPhotos");
    ASSERT_EQ(main.ui.messages.size(), 1u);
    EXPECT_EQ(main.ui.messages[0].request.caption, QStringLiteral("ZENTROVA"));
    EXPECT_EQ(main.ui.messages[0].request.text, QStringLiteral("Picture has beed saved ") + photos);
    const QStringList pictures = QDir(photos).entryList({QStringLiteral("*.bmp")}, QDir::Files);
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d{8}-\\d{6}_Hall_CHN02\\.bmp$")).match(pictures[0]).hasMatch())
        << pictures[0].toStdString();
    QImage picture;
    ASSERT_TRUE(picture.load(photos + QLatin1Char('/') + pictures[0], "BMP"));
    EXPECT_EQ(picture.size(), kMainStreamSize);
}

TEST_F(LiveViewE2ETest, RecordingThatCannotBeWrittenEndsAndTheStreamGoesOn) {
    const QString device = QStringLiteral("Hall");
    const struct {
        const char* what;
        // Prepares the drive below dir and returns it.
        std::function<QString(const test::TempDir& dir)> drive;
        bool captureOpens;   // the library starts the capture before the disk refuses it
        bool snapshotSaved;  // the snapshot folder can be made
    } cases[] = {
        {"the drive lies below a regular file, so no folder can be made",
         [](const test::TempDir& dir) {
             dir.write(QStringLiteral("plain"), "not a folder");
             return dir.path() + QStringLiteral("plain/drive/");
         },
         false, false},
        {"the disk is full",
         [&device](const test::TempDir& dir) {
             // Every file name the next half minute can give leads to a device that takes nothing.
             const QString root = dir.path();
             const QDateTime now = QDateTime::currentDateTime();
             for (int s = -2; s < 30; ++s) {
                 const QString file =
                     RecordingFilePath(root + QStringLiteral("VideoFiles"), device, 2, now.addSecs(s));
                 QDir().mkpath(QFileInfo(file).path());
                 QFile::link(QStringLiteral("/dev/full"), file);
             }
             return root;
         },
         true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const QString root = c.drive(dir);
        test::LiveMainWindow main(listedDevices(), root);
        main.doubleClickChannel(0, 2);
        TMyView& window = main.view(0);
        ASSERT_TRUE(waitForLive(window, "Hall", 2));
        QAbstractButton* record = main.button("RecChnBtn");

        main.click(record);
        EXPECT_EQ(window.recording() != 0, c.captureOpens);
        // The caption follows the click, whatever the start gave.
        EXPECT_EQ(record->text(), QStringLiteral("StopRecord"));
        if (c.captureOpens) {
            // The library closes the file it cannot write; the grid ends the window's recording and
            // the button says so.
            EXPECT_TRUE(QTest::qWaitFor([&] { return window.recording() == 0; }, 10000));
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return record->text() == QStringLiteral("StartRecord"); }, 5000));
        } else {
            EXPECT_EQ(window.StartRecord(RecordingBaseDirectory()), 0);
            // Selecting the window shows what it does: it does not record.
            QTest::mouseClick(&window, Qt::LeftButton);
            EXPECT_EQ(record->text(), QStringLiteral("StartRecord"));
        }
        EXPECT_EQ(window.recording(), 0);
        EXPECT_FALSE(window.RecTimer().isActive());
        EXPECT_TRUE(record->isEnabled());

        EXPECT_TRUE(waitForMorePictures(window, 10)) << "the stream stopped with its recording";
        EXPECT_EQ(window.state(), ViewState::Live);
        QDirIterator written(root, {QStringLiteral("*.avi")}, QDir::Files | QDir::NoSymLinks,
                             QDirIterator::Subdirectories);
        EXPECT_FALSE(written.hasNext()) << "a recording was kept: " << written.next().toStdString();

        main.click(main.button("SnapBtn"));
        EXPECT_EQ(main.ui.messages.size(), c.snapshotSaved ? 1u : 0u);
    }
}

}  // namespace
}  // namespace strovik
