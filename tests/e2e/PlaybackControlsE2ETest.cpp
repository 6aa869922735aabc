// The playback controls of a video window with the real libraries against devsim's recordings of
// 20 seconds: pause, speeds, frame steps and seeks, judged by the pictures that reach the window
// and by the recordings' own frame time stamps (the player's played time).
#include "app/StrovikForm.h"
#include "devsim/media/RecordingFiles.h"
#include "e2e/LinkTestSupport.h"
#include "e2e/LiveViewTestSupport.h"
#include "e2e/RecordingsSite.h"
#include "e2e/VideoTestSupport.h"
#include "liveview/MyView.h"
#include "liveview/PlaybackControlBar.h"
#include "liveview/ViewForm.h"
#include "recordings/RecordFileList.h"
#include "recordings/RemotePlayback.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

namespace strovik {
namespace {

constexpr int kStore = 3;  // devsim.address(kStore)
constexpr int kContentSeconds = 20;
constexpr int kDeadlineMs = 30000;

const devsim::RecordingEntry kLdvr =
    test::RecordingAt(8, devsim::RecordingFormat::FrameFormat, kContentSeconds);
const devsim::RecordingEntry kMp4 = test::RecordingAt(9, devsim::RecordingFormat::Mp4, kContentSeconds);
using test::NameOf;

class PlaybackControlsE2ETest : public test::RecordingsSiteTest<kStore, kContentSeconds> {
protected:
    static void SetUpTestSuite() { StartSite({kLdvr, kMp4}); }

    TMyView& window() { return main->view(0); }
    std::uint64_t published() { return window().pictureSlot()->picturesPublished(); }
    std::int64_t position() { return window().playback().progress().positionMs; }
    // Plays entry in window 0 and waits for its first picture.
    bool play(const devsim::RecordingEntry& entry) {
        main->grid().SelectWindow(0);
        Q_EMIT main->form().fileList().playRequested(NameOf(entry));
        return window().state() == ViewState::Playback &&
               QTest::qWaitFor([&] { return position() >= 0; }, kDeadlineMs);
    }
    bool playedTo(std::int64_t ms, int deadlineMs = kDeadlineMs) {
        return QTest::qWaitFor([&] { return position() >= ms; }, deadlineMs);
    }
    bool copied() {
        return QTest::qWaitFor([&] { return window().playback().transferDone(); }, kDeadlineMs);
    }
};

TEST_F(PlaybackControlsE2ETest, PauseHoldsThePictureAndResumeGoesOnFromTheSameFrame) {
    for (const devsim::RecordingEntry& entry : {kLdvr, kMp4}) {
        SCOPED_TRACE(NameOf(entry).toStdString());
        ASSERT_TRUE(play(entry));
        ASSERT_TRUE(playedTo(2000));
        ASSERT_TRUE(window().TogglePause());
        EXPECT_TRUE(window().controlBar().isVisible()) << "a paused window keeps its bar";
        QTest::qWait(150);  // a picture that was being decoded still lands
        const std::uint64_t held = published();
        const std::int64_t heldAt = position();
        const QImage picture = test::Grab(window());
        QTest::qWait(1000);
        EXPECT_EQ(published(), held) << "no new picture for a second";
        EXPECT_EQ(position(), heldAt);
        EXPECT_FALSE(test::SamplesDiffer(picture, test::Grab(window()))) << "the picture stays";

        ASSERT_TRUE(window().TogglePause());
        ASSERT_TRUE(QTest::qWaitFor([&] { return published() > held; }, kDeadlineMs));
        // It goes on from where it stood, not from where the wall clock would be.
        EXPECT_GE(position(), heldAt);
        EXPECT_LE(position(), heldAt + 300);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window().state() == ViewState::Idle; }, kDeadlineMs))
            << "it still ends by itself";
    }
}

TEST_F(PlaybackControlsE2ETest, SpeedsScaleTheWallTimeOfARecording) {
    struct Case {
        devsim::RecordingEntry entry;
        int direction;
        int steps;
        double lowSeconds, highSeconds;
    };
    const Case cases[] = {
        // The first 19 s of pictures: 4.75 s at 4x, 38 s at 1/2x.
        {kLdvr, +1, 2, 3.5, 6.5},
        {kMp4, +1, 2, 3.5, 6.5},  // paced by the player itself
        {kLdvr, -1, 1, 34.0, 44.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(NameOf(c.entry).toStdString() + " steps " + std::to_string(c.direction * c.steps));
        main->grid().SelectWindow(0);
        Q_EMIT main->form().fileList().playRequested(NameOf(c.entry));
        ASSERT_EQ(window().state(), ViewState::Playback);
        // Given before the first data came: the play thread takes them over.
        for (int i = 0; i < c.steps; ++i) ASSERT_TRUE(window().ChangeSpeed(c.direction));
        ASSERT_TRUE(QTest::qWaitFor([&] { return position() >= 0; }, kDeadlineMs));
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(playedTo(19000, 60000));
        const double seconds = clock.elapsed() / 1000.0;
        EXPECT_GE(seconds, c.lowSeconds);
#if !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
        // A sanitized player beside the other suites cannot decode four times faster than real
        // time; it still plays every picture, only later.
        EXPECT_LE(seconds, c.highSeconds);
#endif
        ASSERT_TRUE(QTest::qWaitFor([&] { return window().state() == ViewState::Idle; }, kDeadlineMs));
    }
}

TEST_F(PlaybackControlsE2ETest, AFrameStepShowsExactlyOneNewPicture) {
    for (const devsim::RecordingEntry& entry : {kLdvr, kMp4}) {
        SCOPED_TRACE(NameOf(entry).toStdString());
        ASSERT_TRUE(play(entry));
        ASSERT_TRUE(playedTo(1000));
        EXPECT_FALSE(window().StepFrame()) << "only a paused window steps";
        EXPECT_FALSE(window().controlBar().notice().isEmpty());
        ASSERT_TRUE(window().TogglePause());
        QTest::qWait(150);
        for (int step = 1; step <= 3; ++step) {
            SCOPED_TRACE(step);
            const std::uint64_t before = published();
            const std::int64_t at = position();
            ASSERT_TRUE(window().StepFrame());
            ASSERT_TRUE(QTest::qWaitFor([&] { return published() > before; }, 5000));
            QTest::qWait(500);
            EXPECT_EQ(published(), before + 1);
            EXPECT_GE(position(), at);
            EXPECT_LE(position(), at + 200) << "one frame on (40 ms, B-pictures reordered)";
        }
        ASSERT_TRUE(window().TogglePause());
        ASSERT_TRUE(QTest::qWaitFor([&] { return window().state() == ViewState::Idle; }, kDeadlineMs));
    }
}

TEST_F(PlaybackControlsE2ETest, ASeekShowsAPictureFromThatPointOfTheRecording) {
    for (const devsim::RecordingEntry& entry : {kLdvr, kMp4}) {
        SCOPED_TRACE(NameOf(entry).toStdString());
        ASSERT_TRUE(play(entry));
        ASSERT_TRUE(copied());
        // Paused: the landing picture is the frame stamped 10 s into the recording.
        ASSERT_TRUE(window().TogglePause());
        QTest::qWait(150);
        const std::uint64_t before = published();
        ASSERT_TRUE(window().SeekPlayback(10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return published() > before; }, 5000));
        EXPECT_GE(position(), 10000);
        EXPECT_LE(position(), 10200);
        EXPECT_GE(test::NonBlackShare(test::Grab(window())), 0.5);
        QTest::qWait(500);
        EXPECT_EQ(published(), before + 1) << "still paused after landing";

        // Playing: back to 15 s and on from there.
        ASSERT_TRUE(window().TogglePause());
        ASSERT_TRUE(window().SeekPlayback(15000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return position() >= 15000; }, 5000));
        EXPECT_LT(position(), 16500);

        if (entry.format == devsim::RecordingFormat::FrameFormat) {
            EXPECT_FALSE(window().SeekPlayback(60000)) << "beyond the completed copy";
            EXPECT_FALSE(window().controlBar().notice().isEmpty());
        }

        // Paused at the very end: it waits for the operator, and ends once resumed.
        ASSERT_TRUE(window().TogglePause());
        ASSERT_TRUE(window().SeekPlayback(19900));
        ASSERT_TRUE(QTest::qWaitFor([&] { return position() >= 19800; }, 5000));
        QTest::qWait(1500);
        EXPECT_EQ(window().state(), ViewState::Playback);
        ASSERT_TRUE(window().TogglePause());
        ASSERT_TRUE(QTest::qWaitFor([&] { return window().state() == ViewState::Idle; }, kDeadlineMs));
    }
}

TEST_F(PlaybackControlsE2ETest, TwoWindowsPlayTwoRecordingsAtTwoSpeeds) {
    main->chooseLayout(4);
    main->grid().SelectWindow(0);
    Q_EMIT main->form().fileList().playRequested(NameOf(kLdvr));
    ASSERT_TRUE(main->view(0).ChangeSpeed(+1));
    main->grid().SelectWindow(1);
    Q_EMIT main->form().fileList().playRequested(NameOf(kMp4));
    ASSERT_EQ(main->view(1).state(), ViewState::Playback);
    ASSERT_TRUE(main->view(1).TogglePause());
    TMyView& fast = main->view(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fast.playback().progress().positionMs >= 4000; }, kDeadlineMs));
    EXPECT_EQ(fast.playback().speedStep(), 1);
    EXPECT_FALSE(fast.playback().paused());
    EXPECT_TRUE(main->view(1).playback().paused());
    EXPECT_LE(main->view(1).playback().progress().positionMs, 200) << "the other window stayed paused";
}

}  // namespace
}  // namespace strovik
