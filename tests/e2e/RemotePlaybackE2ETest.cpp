// Remote playback and download in the program's main window with the real libraries against
// devsim's recordings: the record list's requests play a recording in a video window until it
// ends, and download it to a file (a frame-format one converted to AVI).
#include "app/StrovikForm.h"
#include "devicelibs/ffmpeg/FrameFileToAvi.h"
#include "devicelibs/video/FrameFileReader.h"
#include "devices/DeviceNode.h"
#include "devsim/media/RecordingFiles.h"
#include "e2e/LinkTestSupport.h"
#include "e2e/LiveViewTestSupport.h"
#include "e2e/MediaProbe.h"
#include "e2e/RecordingsSite.h"
#include "liveview/MyView.h"
#include "liveview/ViewForm.h"
#include "recordings/FormDownLoad.h"
#include "recordings/RecordFileList.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTest>

namespace strovik {
namespace {

constexpr int kStore = 2;  // devsim.address(kStore): a DVR with recordings
constexpr int kContentSeconds = 3;
constexpr int kPlayDeadlineMs = 30000;

const devsim::RecordingEntry kLdvr = test::RecordingAt(8, devsim::RecordingFormat::FrameFormat, 60);
const devsim::RecordingEntry kMp4 = test::RecordingAt(9, devsim::RecordingFormat::Mp4, 60);
using test::NameOf;

class RemotePlaybackE2ETest : public test::RecordingsSiteTest<kStore, kContentSeconds> {
protected:
    static void SetUpTestSuite() { StartSite({kLdvr, kMp4}); }

    QString deviceFile(const devsim::RecordingEntry& entry) const {
        return devsim_->filePath(QStringLiteral("rec/") + NameOf(entry));
    }
    // Downloads name into target through the dialog; true once it shows its completion.
    bool download(const QString& name, const QString& target) {
        if (!main->requestDownload(name, target)) return false;
        return QTest::qWaitFor([&] { return main->downloadComplete(); }, kPlayDeadlineMs);
    }
};

TEST_F(RemotePlaybackE2ETest, BothFormatsPlayMovingPicturesInTheChosenWindowUntilTheyEnd) {
    for (const devsim::RecordingEntry& entry : {kLdvr, kMp4}) {
        SCOPED_TRACE(NameOf(entry).toStdString());
        main->grid().SelectWindow(2);
        TMyView& window = main->view(2);
        const qint64 before = window.picturesPainted();
        Q_EMIT main->form().fileList().playRequested(NameOf(entry));
        ASSERT_EQ(window.state(), ViewState::Playback);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.picturesPainted() > before + 5; }, kPlayDeadlineMs));
        const QImage first = test::Grab(window);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.picturesPainted() > before + 25; }, kPlayDeadlineMs));
        EXPECT_TRUE(test::WaitForPictureChange(window, first, 5000)) << "the pictures move";
        EXPECT_GE(test::NonBlackShare(first), 0.5);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.state() == ViewState::Idle; }, kPlayDeadlineMs))
            << "the playback ends by itself";
        EXPECT_TRUE(window.statusText().isEmpty()) << window.statusText().toStdString();
        EXPECT_EQ(main->view(0).state(), ViewState::Idle);
    }
}

TEST_F(RemotePlaybackE2ETest, AFrameFormatDownloadBecomesAnAviWithEveryPictureAndNoRawFile) {
    const QString target = drive.path() + QStringLiteral("saved.264");
    ASSERT_TRUE(download(NameOf(kLdvr), target));
    EXPECT_FALSE(QFileInfo::exists(target)) << "the raw download is deleted";
    FrameFileReader reader(deviceFile(kLdvr).toStdString());
    int pictures = 0;
    while (reader.next() == FrameFileReader::Status::Frame) pictures += reader.header().isPicture() ? 1 : 0;
    const test::MediaProbe probe = test::ProbeMediaFile(AviPathFor(target.toStdString()));
    ASSERT_TRUE(probe.opened);
    EXPECT_EQ(probe.format, "avi");
    EXPECT_EQ(probe.videoPackets, pictures);
    EXPECT_EQ(probe.decodedPictures, pictures);
}

TEST_F(RemotePlaybackE2ETest, AnMp4DownloadIsTheDevicesFileByteForByte) {
    const QString target = drive.path() + QStringLiteral("saved.MP4");
    ASSERT_TRUE(download(NameOf(kMp4), target));
    const QByteArray original = test::ReadWholeFile(deviceFile(kMp4));
    ASSERT_FALSE(original.isEmpty());
    EXPECT_TRUE(test::ReadWholeFile(target) == original);
}

TEST_F(RemotePlaybackE2ETest, AFileMissingOnTheDeviceIsReported) {
    main->requestDownload(QStringLiteral("no-such-recording.MP4"),
                          drive.path() + QStringLiteral("missing.MP4"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->form().downloadDialog() == nullptr; }, kPlayDeadlineMs));
    ASSERT_FALSE(main->ui.messages.empty());
    EXPECT_EQ(main->ui.messages.back().request.text, QStringLiteral("FILE NOT EXISTS!"));
}

}  // namespace
}  // namespace strovik
