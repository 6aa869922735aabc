// The playback controls of the windows (popup menu, keys, hover bar) and the record page's
// timeline, with the library doubles.
#include "app/RecordPage.h"
#include "app/ToolNotebook.h"
#include "devicelibs/wire/FileTime.h"
#include "devicelibs/wire/SearchRequest.h"
#include "gui/RemotePlaybackFixture.h"
#include "liveview/PlaybackControlBar.h"
#include "liveview/PlaybackMenu.h"
#include "recordings/RecordListModel.h"
#include "recordings/RecordTimeline.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QMenu>
#include <QWheelEvent>

namespace strovik {
namespace {

using test::FrameFile;
using test::kDeadlineMs;
using test::kFrameRecord;

constexpr std::int64_t kMinute = 60'000;
const QDate kDay(2024, 1, 2);

std::int64_t DayMs(const QDate& day) {
    return static_cast<std::int64_t>(
        *ToFileTime(LocalDateTime{day.year(), day.month(), day.day(), 0, 0, 0, 0}) /
        kFileTimeTicksPerMillisecond);
}

RecordRow Row(std::int64_t startMs, std::int64_t endMs, std::uint8_t type, const QString& fileName) {
    RecordRow row;
    row.texts[RecordRow::kFileName] = fileName;
    row.startMs = startMs;
    row.endMs = endMs;
    row.recordType = type;
    return row;
}

// One frame a second for `seconds`, every one a key frame: a long recording in a small file.
QByteArray SparseRecording(int seconds) {
    std::vector<test::Frame> frames;
    for (int i = 0; i < seconds; ++i)
        frames.push_back({FrameType::Key, 1000u * static_cast<std::uint32_t>(i)});
    return FrameFile(frames);
}

class PlaybackControlsTest : public test::RemotePlaybackTest {
protected:
    PlaybackControlsTest() {
        form->resize(1280, 800);
        form->show();
    }
    // Plays kFrameRecord in window index from a long recording that is still being copied.
    void playLong(int index, std::int32_t handle) {
        form->grid().SelectWindow(index);
        Q_EMIT form->fileList().playRequested(kFrameRecord);
        ASSERT_TRUE(transferStarted(index, handle));
        const QString temp = drive + QStringLiteral("Temp/xPlayerVideo[%1].264").arg(65 + index);
        QFile file(temp);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const QByteArray bytes = SparseRecording(1200);
        file.write(bytes);
        file.close();
        notify(handle, TransferCode::Begin, 0, static_cast<std::int32_t>(bytes.size()) * 2);
        notify(handle, TransferCode::Block, static_cast<std::int32_t>(bytes.size()));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !playerCalls("X_Play_DVRInputData").empty(); }, kDeadlineMs));
    }
    std::vector<RecordingStreamPlayerLibrary::Call> callsOn(const char* name, std::int32_t port) const {
        std::vector<RecordingStreamPlayerLibrary::Call> found;
        for (const auto& call : playerCalls(name))
            if (call.port == port) found.push_back(call);
        return found;
    }
    void key(int code) {
        form->grid().setFocus();
        QTest::keyClick(&form->grid(), static_cast<Qt::Key>(code));
    }
};

TEST_F(PlaybackControlsTest, KeysAndTheMenuControlTheSelectedWindowOnly) {
    playLong(0, 1);
    playLong(1, 2);
    ASSERT_EQ(form->grid().selected(), 1);
    PlaybackMenu& menu = form->grid().playbackMenu();

    key(Qt::Key_Plus);
    key(Qt::Key_Plus);
    // The play thread may take both in one turn.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto speeds = callsOn("X_Play_SetPlaySpeed", 66);
            return !speeds.empty() && speeds.back().value == 2;
        },
        kDeadlineMs));
    EXPECT_EQ(window(1).playback().speedStep(), 2);
    EXPECT_EQ(window(0).playback().speedStep(), 0) << "the other window keeps its speed";
    EXPECT_TRUE(callsOn("X_Play_SetPlaySpeed", 65).empty());

    menu.prepare();
    EXPECT_TRUE(menu.NPause->isVisible());
    EXPECT_FALSE(menu.NNextFrame->isEnabled()) << "a step needs a pause";
    menu.NPause->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !callsOn("X_Play_Pause", 66).empty(); }, kDeadlineMs));
    EXPECT_EQ(callsOn("X_Play_Pause", 66)[0].value, 1);
    EXPECT_TRUE(window(1).controlBar().isVisible()) << "a paused window shows its bar";
    menu.prepare();
    EXPECT_TRUE(menu.NNextFrame->isEnabled());
    key(Qt::Key_Right);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !callsOn("X_Play_StepFrame", 66).empty(); }, kDeadlineMs));
    key(Qt::Key_Minus);
    EXPECT_EQ(window(1).playback().speedStep(), 1) << "a speed change while paused is kept";
    key(Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return callsOn("X_Play_Pause", 66).size() == 2; }, kDeadlineMs));
    EXPECT_EQ(callsOn("X_Play_Pause", 66)[1].value, 0);
    EXPECT_TRUE(callsOn("X_Play_Pause", 65).empty());

    // An idle window has no playback commands.
    form->grid().SelectWindow(2);
    menu.prepare();
    EXPECT_FALSE(menu.NPause->isVisible());
    EXPECT_FALSE(menu.handleKey(Qt::Key_Space));

    // A stop ends each window's controls with its playback; the next playback starts afresh.
    form->grid().StopWindow(2);
    form->grid().StopWindow(1);
    EXPECT_TRUE(idle(1));
    EXPECT_FALSE(window(1).controlBar().isVisible());
    EXPECT_EQ(window(1).playback().speedStep(), 0);
    EXPECT_FALSE(window(1).playback().paused());
}

TEST_F(PlaybackControlsTest, TheBarShowsOnHoverAndSeeksWhereItIsClicked) {
    playLong(0, 1);
    TMyView& view = window(0);
    view.resize(640, 360);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&view, &leave);
    EXPECT_FALSE(view.controlBar().isVisible());
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QApplication::sendEvent(&view, &enter);
    ASSERT_TRUE(view.controlBar().isVisible());
    TPlaybackControlBar& bar = view.controlBar();
    EXPECT_EQ(bar.geometry(),
              QRect(0, 360 - TPlaybackControlBar::kHeight, 640, TPlaybackControlBar::kHeight));
    // Half the file copied: the bar estimates the whole length from the part indexed so far.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            bar.refresh();
            return bar.shownProgress().copiedMs >= 1000 * 1199;
        },
        kDeadlineMs));
    EXPECT_NEAR(bar.shownProgress().copiedFraction, 0.5, 0.01);
    EXPECT_NEAR(static_cast<double>(bar.shownProgress().durationMs), 2 * 1199000.0, 2000.0);

    const QRect track = bar.trackRect();
    const QPoint quarter(track.left() + track.width() / 4, track.center().y());
    const std::int64_t expected = bar.positionAt(quarter.x());
    QTest::mouseClick(&bar, Qt::LeftButton, {}, quarter);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !callsOn("X_Play_Seek", 65).empty(); }, kDeadlineMs));
    EXPECT_EQ(callsOn("X_Play_Seek", 65)[0].value, expected);
    EXPECT_NEAR(static_cast<double>(expected), 2 * 1199000.0 / 4, 5000.0);

    // Beyond the copied half: the seek waits for the copy, and the window can still be stopped.
    EXPECT_TRUE(view.SeekPlayback(2000 * 1000));
    EXPECT_FALSE(bar.notice().isEmpty());
    QElapsedTimer clock;
    clock.start();
    form->grid().StopWindow(1);
    EXPECT_TRUE(idle(0));
    EXPECT_LT(clock.elapsed(), 2000);

    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.buttonRect().center());
    EXPECT_TRUE(callsOn("X_Play_Pause", 65).empty()) << "a stopped window takes no commands";
}

TEST_F(PlaybackControlsTest, StampsThatJumpByHoursPlayAsShortGapsAndTheRecordingStillEnds) {
    constexpr std::uint32_t kHours = 3 * 3600 * 1000;
    Q_EMIT form->fileList().playRequested(kFrameRecord);
    ASSERT_TRUE(transferStarted(0, 1));
    QElapsedTimer clock;
    clock.start();
    deliverFile(1, drive + QStringLiteral("Temp/xPlayerVideo[65].264"),
                FrameFile({{FrameType::Key, kHours},
                           {FrameType::Picture, kHours + 40},
                           {FrameType::Picture, 40},  // back by three hours
                           {FrameType::Key, 80},
                           {FrameType::Picture, 2 * kHours},  // three hours on from the newest
                           {FrameType::Picture, 2 * kHours + 40}}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle(0); }, kDeadlineMs));
    EXPECT_LT(clock.elapsed(), 5000);
    std::vector<std::int32_t> times;
    for (const auto& call : callsOn("X_Play_SetFrameTime", 65)) times.push_back(call.value);
    EXPECT_EQ(times, (std::vector<std::int32_t>{0, 40, 80, 120, 120 + 2000, 160 + 2000}));
}

class TimelineTest : public ::testing::Test {
protected:
    TimelineTest() {
        timeline.setDay(kDay);
        // One pixel a minute.
        timeline.resize(24 * 60 + 16, TRecordTimeline::kHeight);
        timeline.show();
    }
    std::int64_t at(int hour, int minute, int second = 0) const {
        return day + ((hour * 60 + minute) * 60 + second) * 1000LL;
    }

    const std::int64_t day = DayMs(kDay);
    RecordListModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Warning};
    TRecordTimeline timeline{model};
};

TEST_F(TimelineTest, BarsSitAtTheirTimesOfTheDayInTheirTypesColours) {
    struct Case {
        const char* name;
        std::int64_t start, end;
        int left, width;  // -1: not shown
    };
    const int strip = timeline.stripRect().left();
    const Case cases[] = {
        {"00:00", at(0, 0), at(0, 10), strip, 10},
        {"12:00", at(12, 0), at(12, 30), strip + 720, 30},
        {"23:59:59", at(23, 59, 59), at(23, 59, 59) + 10 * kMinute, strip + 1439, 2},
        {"from the day before", at(0, 0) - 30 * kMinute, at(0, 5), strip, 5},
        {"another day", at(0, 0) + 2 * TimelineScale::kDayMs, at(0, 0) + 2 * TimelineScale::kDayMs + kMinute,
         -1, -1},
    };
    std::vector<RecordRow> rows;
    for (const Case& c : cases)
        rows.push_back(Row(c.start, c.end, RecordType::Alarm, QString::fromUtf8(c.name)));
    model.append(std::move(rows));
    for (int row = 0; row < static_cast<int>(std::size(cases)); ++row) {
        const Case& c = cases[row];
        SCOPED_TRACE(c.name);
        const QRect bar = timeline.barRect(row);
        if (c.left < 0) {
            EXPECT_TRUE(bar.isEmpty());
            continue;
        }
        EXPECT_EQ(bar.left(), c.left);
        EXPECT_NEAR(bar.width(), c.width, 1);
        EXPECT_TRUE(timeline.stripRect().contains(bar.center()));
    }
    const QImage shot = timeline.grab().toImage();
    EXPECT_EQ(shot.pixelColor(timeline.barRect(1).center()), TRecordTimeline::TypeColour(RecordType::Alarm));
    EXPECT_NE(TRecordTimeline::TypeColour(RecordType::Manual), TRecordTimeline::TypeColour(RecordType::Auto));
}

TEST_F(TimelineTest, TheWheelZoomsAboutTheMouseFromTheDayToMinutes) {
    const auto wheel = [&](int x, int notches) {
        QWheelEvent event(QPointF(x, 30), timeline.mapToGlobal(QPointF(x, 30)), {}, QPoint(0, 120 * notches),
                          Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&timeline, &event);
    };
    const auto timeUnder = [&](int x) { return timeline.scale().timeAt(x - timeline.stripRect().left()); };
    for (const int x : {20, 400, 1300}) {
        for (const int notches : {3, 1, -2}) {
            SCOPED_TRACE(std::to_string(x) + " by " + std::to_string(notches));
            const std::int64_t before = timeUnder(x);
            wheel(x, notches);
            // Within a pixel's worth, and exactly unless the day's edge stopped the view.
            EXPECT_NEAR(static_cast<double>(timeUnder(x)), static_cast<double>(before),
                        static_cast<double>(timeline.scale().spanMs()) / timeline.scale().width() + 1);
        }
    }
    wheel(700, 60);
    EXPECT_EQ(timeline.scale().spanMs(), TimelineScale::kMinSpanMs);
    wheel(700, -60);
    EXPECT_EQ(timeline.scale().spanMs(), TimelineScale::kDayMs);
}

TEST_F(TimelineTest, ThousandsOfResultsOnOneDayStayQuick) {
    std::vector<RecordRow> rows;
    for (int i = 0; i < 5000; ++i)
        rows.push_back(Row(at(0, 0) + i * 17'000LL, at(0, 0) + i * 17'000LL + 15'000, i % 3 + 1,
                           QStringLiteral("r%1").arg(i)));
    model.append(std::move(rows));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 5; ++i) timeline.repaint();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(timeline.rowAt(timeline.barRect(4999).center()), 4999);
}

TEST_F(PlaybackControlsTest, AClickOnATimelineBarPlaysThatRowInTheSelectedWindowFromTheClickedTime) {
    form->notebook().setCurrentPage(TRecordPage::kPageIndex);
    TRecordTimeline& timeline = form->timeline();
    ASSERT_TRUE(timeline.isVisible());
    timeline.setDay(kDay);
    const std::int64_t day = DayMs(kDay);
    const QString wanted = QStringLiteral("LDVR_1_20240102120000_20240102123000_0_0_.264");
    form->fileList().model().append(
        {Row(day + 3600'000LL, day + 3 * 3600'000LL, RecordType::Manual, QStringLiteral("a.264")),
         Row(day + 12 * 3600'000LL, day + 12 * 3600'000LL + 30 * kMinute, RecordType::Auto, wanted)});
    // The selected window is busy: the click plays there all the same, not in an idle one.
    playLong(1, 1);
    ASSERT_EQ(form->grid().selected(), 1);

    const QRect bar = timeline.barRect(1);
    ASSERT_FALSE(bar.isEmpty());
    const QPoint click(bar.left() + bar.width() * 2 / 3, bar.center().y());
    const std::int64_t offset =
        timeline.scale().timeAt(click.x() - timeline.stripRect().left()) - (day + 12 * 3600'000LL);
    QTest::mouseClick(&timeline, Qt::LeftButton, {}, click);
    ASSERT_TRUE(transferStarted(1, 2));
    EXPECT_EQ(tcp->remoteFileRequests().back().remoteFileName, wanted.toStdString());
    EXPECT_TRUE(idle(0));

    const QString temp = drive + QStringLiteral("Temp/xPlayerVideo[66].264");
    deliverFile(2, temp, SparseRecording(30 * 60));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !callsOn("X_Play_Seek", 66).empty(); }, kDeadlineMs));
    EXPECT_EQ(callsOn("X_Play_Seek", 66).back().value, offset);
    EXPECT_NEAR(static_cast<double>(offset), 20.0 * kMinute, 2.0 * kMinute);
}

}  // namespace
}  // namespace strovik
