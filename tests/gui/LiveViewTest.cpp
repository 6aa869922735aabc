// The video grid and its windows with the library doubles: a TViewForm of its own, shown at
// 1000 x 700, offscreen.
#include "LiveViewTestSupport.h"

#include "app/LanguageTables.h"
#include "devicelibs/doubles/RecordingStreamPlayerLibrary.h"
#include "devicelibs/doubles/RecordingVideoClientLibrary.h"
#include "doubles/ScriptedUiServices.h"
#include "liveview/LiveViewServices.h"
#include "liveview/MyView.h"
#include "liveview/MyViewFrm.h"
#include "liveview/RecordNaming.h"
#include "liveview/ViewForm.h"
#include "platform/BackgroundCalls.h"
#include "platform/StringTable.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <set>

namespace strovik {
namespace {

using namespace std::chrono_literals;
using test::AutoSearchedCamera;
using test::CallsSince;
using test::FireTimer;
using test::HandlesOf;
using test::HandlesWithValue;
using test::kStartDeadlineMs;
using test::LiveConnection;
using test::OpenIn;
using test::StartIn;

constexpr char kStartingText[] = "Connecting...";
constexpr char kStartedText[] = "Connected";

class LiveViewTest : public ::testing::Test {
protected:
    explicit LiveViewTest(std::chrono::milliseconds recordRotation = 600000ms) {
        for (const auto& [id, text] : BuiltInEnglishEntries()) strings.append(QString::number(id), text);
        // The language files give the window's start texts; the built-in English table has none.
        strings.append(QStringLiteral("4200"), QLatin1String(kStartingText));
        strings.append(QStringLiteral("4201"), QLatin1String(kStartedText));
        grid = std::make_unique<TViewForm>(LiveViewServices{video.get(), player.get(), &strings,
                                                            &languageLoaded, &ui, &calls, recordRotation});
        grid->resize(1000, 700);
        grid->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
        // The CPU rule adds its calls every second; the tests of the rule drive it themselves.
        grid->Timer1().stop();
        grid->TimerCpu().stop();
    }

    TMyView& window(int index) const { return *grid->view(index); }

    // Opens channel `channel` of the recorder "Gate" in window n and returns its handle.
    std::int32_t openGate(int channel, int n) {
        const std::int32_t handle = OpenIn(*grid, LiveConnection("Gate", channel), n);
        EXPECT_GT(handle, 0);
        return handle;
    }

    std::size_t mark() const { return video->calls().size(); }

    test::TempDir dir;
    test::ScopedEnvironment drive{"STROVIK_DRIVE", dir.path()};
    std::shared_ptr<RecordingVideoClientLibrary> video = std::make_shared<RecordingVideoClientLibrary>();
    std::shared_ptr<RecordingStreamPlayerLibrary> player = std::make_shared<RecordingStreamPlayerLibrary>();
    StringTable strings;
    bool languageLoaded = false;
    test::ScriptedUiServices ui;
    BackgroundCalls calls;
    std::unique_ptr<TViewForm> grid;
};

// --- starting a stream ---

TEST_F(LiveViewTest, TheLibraryGetsTheStartRecordAsTheWindowFillsIt) {
    const struct {
        const char* name;
        std::uint8_t netType;
        const char* relayAddress;
        std::int16_t relayPort;
        std::uint8_t units;
        std::uint8_t tens;
        const char* relayGiven;  // null: X_ClientStart
    } cases[] = {
        {"net type 1", 1, "", 0, 1, 0, nullptr},
        {"page tens", 41, "", 0, 1, 40, nullptr},
        {"net type 10", 10, "", 0, 10, 0, nullptr},
        {"relay without a port", 1, "127.0.0.9", 0, 1, 0, nullptr},
        {"relay", 1, "relay7.ddns.strovik.example", 7000, 1, 0, "relay7.ddns.str"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectionInfo connection = LiveConnection("Gate", 3);
        connection.netType = c.netType;
        connection.port = 60000;
        connection.relayAddress = QString::fromUtf8(c.relayAddress);
        connection.relayPort = c.relayPort;
        const std::size_t before = video->starts().size();
        ASSERT_GT(StartIn(window(0), connection), 0);

        const auto starts = video->starts();
        ASSERT_EQ(starts.size(), before + 1);
        const RecordingVideoClientLibrary::Start& start = starts.back();
        EXPECT_EQ(start.info.netTypeUnits, c.units);
        EXPECT_EQ(start.info.netTypeTens, c.tens);
        EXPECT_EQ(start.info.port, 60000);
        EXPECT_EQ(start.info.channelIndex, 3);
        EXPECT_EQ(start.info.address, "127.0.0.5");
        EXPECT_EQ(start.info.userName, "admin");
        EXPECT_EQ(start.info.password, "pw");
        EXPECT_EQ(start.info.reserved20, -1);
        EXPECT_EQ(start.info.window, static_cast<RenderTarget*>(&window(0)));
        EXPECT_EQ(start.linkType, 2);
        if (c.relayGiven) {
            ASSERT_TRUE(start.relay.has_value());
            EXPECT_EQ(start.relay->address, c.relayGiven);
            EXPECT_EQ(start.relay->port, c.relayPort);
        } else {
            EXPECT_FALSE(start.relay.has_value());
            EXPECT_EQ(start.loginHandle, -1);
        }
        window(0).Stop();
    }
}

TEST_F(LiveViewTest, StartingTheStreamAWindowShowsKeepsItAndReportsSuccess) {
    const struct {
        const char* name;
        ConnectionInfo shown;
        ConnectionInfo requested;
        bool restarts;
    } cases[] = {
        {"the same channel", LiveConnection("Gate", 2), LiveConnection("Gate", 2), false},
        // A camera's channel index picks main or sub stream: the device is what counts.
        {"another stream of the camera", LiveConnection("Cam", 0, DeviceType::NetworkCamera),
         LiveConnection("Cam", 1, DeviceType::NetworkCamera), false},
        {"another channel of the recorder", LiveConnection("Gate", 2), LiveConnection("Gate", 3), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window(0).Stop();
        const std::int32_t handle = StartIn(window(0), c.shown);
        ASSERT_GT(handle, 0);
        const std::size_t from = mark();
        const std::size_t startsBefore = video->starts().size();

        const std::int32_t result = StartIn(window(0), c.requested);
        EXPECT_GT(result, 0);
        EXPECT_EQ(window(0).state(), ViewState::Live);
        if (c.restarts) {
            EXPECT_EQ(video->starts().size(), startsBefore + 1);
            EXPECT_EQ(HandlesOf(CallsSince(*video, from, "X_ClientStop")), std::vector<std::int32_t>{handle});
            EXPECT_NE(window(0).streamHandle(), handle);
        } else {
            EXPECT_EQ(result, handle);
            EXPECT_EQ(video->starts().size(), startsBefore);
            EXPECT_TRUE(CallsSince(*video, from, "X_ClientStop").empty());
            EXPECT_EQ(window(0).streamHandle(), handle);
        }
    }
}

TEST_F(LiveViewTest, TheStartsOutcomeIsPaintedOnTheWindow) {
    for (const std::int32_t refused : {-3, 0}) {
        SCOPED_TRACE(refused);
        video->queueStartAnswer(refused);
        EXPECT_EQ(StartIn(window(0), LiveConnection("Gate", 0)), -1);
        EXPECT_EQ(window(0).statusText(), QStringLiteral("(%1)").arg(refused));
        EXPECT_EQ(window(0).statusColour(), kStatusRed);
        EXPECT_EQ(window(0).state(), ViewState::Idle);
    }
    EXPECT_GT(StartIn(window(0), LiveConnection("Gate", 0)), 0);
    EXPECT_EQ(window(0).statusText(), QLatin1String(kStartedText));
    EXPECT_EQ(window(0).statusColour(), kStatusGreen);
    EXPECT_EQ(window(0).state(), ViewState::Live);
}

// --- the grid ---

TEST_F(LiveViewTest, LayoutsPlaceTheirWindowsInASquare) {
    ASSERT_EQ(grid->size(), QSize(1000, 700));
    const struct {
        int layout;
        int index;
        QRect expected;
    } cases[] = {
        {9, 4, {334, 234, 332, 232}}, {9, 8, {667, 467, 332, 232}},
        {64, 7, {869, 1, 123, 86}},  // eight in a row
        {64, 8, {1, 88, 123, 86}},    {64, 63, {869, 610, 123, 86}},
        {1, 0, {1, 1, 998, 698}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.layout << '/' << c.index);
        grid->SetLayout(c.layout);
        EXPECT_EQ(window(c.index).geometry(), c.expected);
        int shown = 0;
        for (int i = 0; i < 64; ++i) shown += window(i).isVisible() ? 1 : 0;
        EXPECT_EQ(shown, c.layout);
    }
    EXPECT_EQ(grid->WindowState(64), 255);
}

TEST_F(LiveViewTest, ShrinkingTheLayoutStopsTheWindowsThatGo) {
    grid->SetLayout(16);
    std::vector<std::int32_t> handles;
    for (int n = 1; n <= 16; ++n) handles.push_back(openGate(n - 1, n));
    const std::size_t from = mark();

    grid->SetLayout(4);
    EXPECT_EQ(HandlesOf(CallsSince(*video, from, "X_ClientStop")),
              std::vector<std::int32_t>(handles.begin() + 4, handles.end()));
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(window(i).state(), i < 4 ? ViewState::Live : ViewState::Idle);
        EXPECT_EQ(window(i).isVisible(), i < 4);
    }
}

TEST_F(LiveViewTest, DoubleClickEnlargesAWindowAndTheNextOneRestoresTheLayout) {
    std::vector<std::int32_t> handles;
    for (int n = 1; n <= 4; ++n) handles.push_back(openGate(n - 1, n));
    const QRect home = window(1).geometry();
    const std::size_t from = mark();

    QTest::mouseDClick(&window(1), Qt::LeftButton);
    EXPECT_TRUE(grid->enlarged());
    EXPECT_EQ(grid->selected(), 1);
    EXPECT_EQ(window(1).geometry(), QRect(1, 1, 998, 698));
    for (int i = 0; i < 64; ++i) EXPECT_EQ(window(i).isVisible(), i == 1) << i;
    // The three other live windows decode key frames only: 3 * 100 + 88.
    const auto drops = CallsSince(*video, from, "X_ClientThrowBFrame");
    EXPECT_EQ(HandlesWithValue(drops, 388), (std::vector<std::int32_t>{handles[0], handles[2], handles[3]}));
    // The enlarged window decodes everything (its press selected it, which says so too).
    std::vector<std::int32_t> enlargedLevels;
    for (const auto& drop : drops)
        if (drop.handle == handles[1]) enlargedLevels.push_back(drop.value);
    EXPECT_FALSE(enlargedLevels.empty());
    EXPECT_EQ(std::count(enlargedLevels.begin(), enlargedLevels.end(), 0),
              static_cast<std::ptrdiff_t>(enlargedLevels.size()));
    EXPECT_EQ(HandlesWithValue(CallsSince(*video, from, "X_ClientSetQuality"), 6),
              std::vector<std::int32_t>{handles[1]});

    QTest::mouseDClick(&window(1), Qt::LeftButton);
    EXPECT_FALSE(grid->enlarged());
    EXPECT_EQ(window(1).geometry(), home);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(window(i).isVisible(), i < 4) << i;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(window(i).state(), ViewState::Live) << i;
}

TEST_F(LiveViewTest, TheFirstAutoSearchedCameraTakesTheMainStreamAndTheNextTheSubStream) {
    ASSERT_GT(OpenIn(*grid, AutoSearchedCamera("Cam1"), 1), 0);
    EXPECT_TRUE(grid->mainStreamSet());
    EXPECT_EQ(grid->mainStreamWindow(), 0);
    ASSERT_GT(OpenIn(*grid, AutoSearchedCamera("Cam2"), 2), 0);
    EXPECT_EQ(grid->mainStreamWindow(), 0);
    // A camera added by hand is outside the rule.
    ASSERT_GT(OpenIn(*grid, LiveConnection("Cam3", 0, DeviceType::NetworkCamera), 3), 0);

    const auto starts = video->starts();
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[0].info.channelIndex, 0);
    EXPECT_EQ(starts[1].info.channelIndex, 1);
    EXPECT_EQ(starts[2].info.channelIndex, 0);
    EXPECT_EQ(window(1).connection().channelIndex, 1);
}

// --- floating windows and full screen ---

TEST_F(LiveViewTest, AFloatingWindowTakesThePictureAndClosingItGivesItBack) {
    const std::int32_t handle = openGate(1, 2);  // the second channel, selected now
    ASSERT_EQ(grid->selected(), 1);
    const std::size_t from = mark();

    grid->FloatSelected();
    TMyViewForm* floating = grid->floating(1);
    ASSERT_NE(floating, nullptr);
    EXPECT_EQ(floating->windowTitle(), QStringLiteral("Channel2"));
    EXPECT_TRUE(floating->isVisible());
    auto moves = CallsSince(*video, from, "X_ClientChangeRenderHandle");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].handle, handle);
    EXPECT_EQ(moves[0].window, static_cast<RenderTarget*>(floating));
    EXPECT_EQ(grid->selected(), 2);

    const std::size_t beforeClose = mark();
    floating->close();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !CallsSince(*video, beforeClose, "X_ClientChangeRenderHandle").empty(); },
        kStartDeadlineMs));
    moves = CallsSince(*video, beforeClose, "X_ClientChangeRenderHandle");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].handle, handle);
    EXPECT_EQ(moves[0].window, static_cast<RenderTarget*>(&window(1)));
    EXPECT_FALSE(floating->isVisible());
    EXPECT_EQ(grid->floating(1), floating);  // hidden, kept until the window floats again
}

TEST_F(LiveViewTest, FloatingTheLastWindowOfTheLayoutSelectsTheFirstOneOutsideIt) {
    openGate(3, 4);
    ASSERT_EQ(grid->selected(), 3);
    const std::size_t from = mark();
    grid->FloatSelected();
    EXPECT_EQ(grid->selected(), 4);
    EXPECT_EQ(CallsSince(*video, from, "X_ClientAudioStop").size(), 1u);
    QWidget* frame = grid->findChild<QWidget*>(QStringLiteral("selectionFrame"));
    ASSERT_NE(frame, nullptr);
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(LiveViewTest, FloatingWindowsThatWouldReachTooFarBelowTheScreenStartANewColumn) {
    ASSERT_NE(grid->screen(), nullptr);
    const QRect screen = grid->screen()->geometry();
    grid->SetLayout(9);
    for (int n = 1; n <= 9; ++n) openGate(n - 1, n);
    grid->SelectWindow(0);
    for (int i = 0; i < 9; ++i) grid->FloatSelected();  // each floats the selected and selects the next

    const QSize size(screen.width() / 6, screen.height() / 4 - 30);
    // A column goes on while a window's bottom lies at most 30 pixels below the screen's.
    int perColumn = 0;
    while ((perColumn + 1) * size.height() <= screen.height() + 30) ++perColumn;
    ASSERT_LT(perColumn, 9) << "a screen this tall needs no second column";
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        TMyViewForm* floating = grid->floating(i);
        ASSERT_NE(floating, nullptr);
        EXPECT_EQ(floating->size(), size);
        EXPECT_EQ(floating->pos(),
                  screen.topLeft() + QPoint((i / perColumn) * size.width(), (i % perColumn) * size.height()));
    }
}

TEST_F(LiveViewTest, AFloatingWindowsBottomMayLieThirtyPixelsBelowTheScreensBeforeItMovesOn) {
    ASSERT_NE(grid->screen(), nullptr);
    const QRect screen = grid->screen()->geometry();
    for (int n = 1; n <= 3; ++n) openGate(n - 1, n);
    grid->SelectWindow(0);
    grid->FloatSelected();
    TMyViewForm* first = grid->floating(0);
    ASSERT_NE(first, nullptr);
    const int width = first->width();
    // The operator made it taller than the screen; the next float arranges the windows again.
    const struct {
        int belowScreen;
        QPoint expected;
    } cases[] = {{30, screen.topLeft()}, {31, screen.topLeft() + QPoint(width, 0)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.belowScreen);
        first->resize(width, screen.height() + c.belowScreen);
        ASSERT_EQ(first->height(), screen.height() + c.belowScreen);
        grid->FloatSelected();
        EXPECT_EQ(first->pos(), c.expected);
    }
}

TEST_F(LiveViewTest, TheFullScreenGridTakesThePicturesUntilEscapeClosesIt) {
    const std::int32_t first = openGate(0, 1);
    const std::int32_t second = openGate(1, 2);
    const std::size_t from = mark();

    grid->NFullscreenClick();
    TViewForm* full = grid->fullScreenGrid();
    ASSERT_NE(full, nullptr);
    EXPECT_TRUE(full->isFullScreen());
    EXPECT_EQ(full->layout(), 4);
    auto moves = CallsSince(*video, from, "X_ClientChangeRenderHandle");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].handle, first);
    EXPECT_EQ(moves[0].window, static_cast<RenderTarget*>(full->view(0)));
    EXPECT_EQ(moves[1].handle, second);
    EXPECT_EQ(moves[1].window, static_cast<RenderTarget*>(full->view(1)));

    const std::size_t beforeClose = mark();
    QTest::keyClick(full, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid->fullScreenGrid() == nullptr; }, kStartDeadlineMs));
    moves = CallsSince(*video, beforeClose, "X_ClientChangeRenderHandle");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].handle, first);
    EXPECT_EQ(moves[0].window, static_cast<RenderTarget*>(&window(0)));
    EXPECT_EQ(moves[1].handle, second);
    EXPECT_EQ(moves[1].window, static_cast<RenderTarget*>(&window(1)));
    EXPECT_EQ(video->initCount(), 1);  // the full-screen grid's registration is cleaned up
}

// --- the CPU rule ---

TEST_F(LiveViewTest, TheCpuRuleTreatsOneWindowPerStepAndStopsAtTheThreshold) {
    grid->SetLayout(9);
    std::vector<std::int32_t> handles;
    for (int n = 1; n <= 9; ++n) handles.push_back(openGate(n - 1, n));
    grid->SelectWindow(6);
    auto readCpu = [&](std::int32_t percent) {
        player->setCpuUsage(percent);
        FireTimer(grid->TimerCpu());
        ASSERT_EQ(grid->cpuUsage(), percent);
    };
    // Waits for the step on window `index` and checks that it came alone.
    auto awaitStep = [&](std::size_t from, std::size_t steps, int index) {
        SCOPED_TRACE(testing::Message() << "step on window " << index);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return CallsSince(*video, from, "X_ClientSetQuality").size() >= steps; },
                            kStartDeadlineMs));
        const auto quality = CallsSince(*video, from, "X_ClientSetQuality");
        ASSERT_EQ(quality.size(), steps);
        EXPECT_EQ(quality.back().handle, handles[static_cast<std::size_t>(index)]);
    };

    // Degrade: from the highest live window down, sparing the selected window and 0..3 the drops.
    readCpu(95);
    std::size_t from = mark();
    FireTimer(grid->Timer1());
    const std::vector<int> degraded = {8, 7, 6, 5, 4, 3};
    for (std::size_t step = 0; step < degraded.size(); ++step) awaitStep(from, step + 1, degraded[step]);
    readCpu(85);
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid->Timer1().isActive(); }, kStartDeadlineMs));
    std::vector<std::int32_t> expectedQuality;
    for (int i : degraded) expectedQuality.push_back(handles[static_cast<std::size_t>(i)]);
    auto quality = CallsSince(*video, from, "X_ClientSetQuality");
    EXPECT_EQ(HandlesOf(quality), expectedQuality);
    EXPECT_EQ(HandlesWithValue(quality, 0), expectedQuality);
    const auto drops = CallsSince(*video, from, "X_ClientThrowBFrame");
    EXPECT_EQ(HandlesOf(drops), (std::vector<std::int32_t>{handles[8], handles[7], handles[5], handles[4]}));
    EXPECT_EQ(HandlesWithValue(drops, 18), HandlesOf(drops));

    // Restore: from window 0 up, at the layout's quality and decoding everything.
    grid->Timer1().stop();
    grid->SetLayout(4);
    readCpu(50);
    from = mark();
    FireTimer(grid->Timer1());
    awaitStep(from, 1, 0);
    awaitStep(from, 2, 1);
    readCpu(85);
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid->Timer1().isActive(); }, kStartDeadlineMs));
    quality = CallsSince(*video, from, "X_ClientSetQuality");
    EXPECT_EQ(HandlesOf(quality), (std::vector<std::int32_t>{handles[0], handles[1]}));
    EXPECT_EQ(HandlesWithValue(quality, 4), HandlesOf(quality));
    const auto restored = CallsSince(*video, from, "X_ClientThrowBFrame");
    EXPECT_EQ(HandlesOf(restored), (std::vector<std::int32_t>{handles[0], handles[1]}));
    EXPECT_EQ(HandlesWithValue(restored, 0), HandlesOf(restored));
}

// --- lost streams ---

TEST_F(LiveViewTest, ALostStreamIsRestartedAndSoIsItsRecording) {
    for (const bool recording : {false, true}) {
        SCOPED_TRACE(recording ? "recording" : "not recording");
        window(0).Stop();
        const std::int32_t lost = openGate(0, 1);
        if (recording) {
            ASSERT_EQ(window(0).StartRecord(RecordingBaseDirectory()), 1);
        }
        const std::size_t from = mark();

        video->reportStreamLost(lost);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return window(0).state() == ViewState::Live && window(0).streamHandle() != lost; },
            kStartDeadlineMs));
        const std::int32_t restarted = window(0).streamHandle();
        EXPECT_EQ(HandlesOf(CallsSince(*video, from, "X_ClientStop")), std::vector<std::int32_t>{lost});
        if (recording) {
            EXPECT_EQ(HandlesOf(CallsSince(*video, from, "X_ClientStopCapture")),
                      std::vector<std::int32_t>{lost});
            EXPECT_EQ(HandlesOf(CallsSince(*video, from, "X_ClientStartCaptureFile")),
                      std::vector<std::int32_t>{restarted});
            EXPECT_EQ(window(0).recording(), -1);
        } else {
            EXPECT_TRUE(CallsSince(*video, from, "X_ClientStartCaptureFile").empty());
            EXPECT_EQ(window(0).recording(), 0);
        }
    }
}

TEST_F(LiveViewTest, ARecordingThatTheDiskEndsEndsInTheWindowToo) {
    openGate(1, 2);
    const std::int32_t full = openGate(0, 1);
    ASSERT_EQ(window(0).StartRecord(RecordingBaseDirectory()), 1);
    ASSERT_EQ(window(1).StartRecord(RecordingBaseDirectory()), 1);
    QSignalSpy ended(grid.get(), &TViewForm::recordingEnded);

    video->reportCaptureFailed(full);
    ASSERT_TRUE(ended.wait(kStartDeadlineMs));
    EXPECT_EQ(window(0).recording(), 0);
    EXPECT_FALSE(window(0).RecTimer().isActive());
    EXPECT_EQ(window(0).state(), ViewState::Live);  // the stream goes on
    EXPECT_NE(window(1).recording(), 0);            // another window's file is not concerned
}

TEST_F(LiveViewTest, ARestartThatFailsArmsTheReconnectTimer) {
    const struct {
        const char* name;
        ConnectionInfo connection;
        int intervalMs;
    } cases[] = {
        {"recorder", LiveConnection("Gate", 0), 35000},
        {"auto-searched camera", AutoSearchedCamera("Cam"), 20000},
        {"camera added by hand", LiveConnection("Cam", 0, DeviceType::NetworkCamera), 35000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window(0).Stop();
        const std::int32_t lost = OpenIn(*grid, c.connection, 1);
        ASSERT_GT(lost, 0);
        video->queueStartAnswer(-2);
        video->reportStreamLost(lost);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window(0).ReConnectTimer().isActive(); }, kStartDeadlineMs));
        EXPECT_EQ(window(0).ReConnectTimer().interval(), c.intervalMs);
        EXPECT_EQ(window(0).state(), ViewState::Idle);
        EXPECT_EQ(window(0).statusText(), QStringLiteral("(-2)"));
        window(0).Stop();
        EXPECT_FALSE(window(0).ReConnectTimer().isActive());  // a stop cancels the retry
    }
}

TEST_F(LiveViewTest, AfterThirtyFailedRetriesTheWindowGivesUp) {
    const std::int32_t lost = openGate(0, 1);
    for (int i = 0; i < 31; ++i) video->queueStartAnswer(-2);
    video->reportStreamLost(lost);
    QTimer& timer = window(0).ReConnectTimer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return timer.isActive(); }, kStartDeadlineMs));

    for (int retry = 1; retry <= 30; ++retry) {
        SCOPED_TRACE(retry);
        const std::size_t before = video->starts().size();
        FireTimer(timer);
        EXPECT_EQ(window(0).reconnectCount(), retry);
        ASSERT_TRUE(QTest::qWaitFor([&] { return timer.isActive(); }, kStartDeadlineMs));
        EXPECT_EQ(video->starts().size(), before + 1);
    }
    const std::size_t before = video->starts().size();
    FireTimer(timer);
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(window(0).reconnectCount(), 0);
    EXPECT_FALSE(window(0).startPending());
    calls.waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(video->starts().size(), before);
    EXPECT_TRUE(video->callsNamed("X_ClientStartCaptureFile").empty());  // nothing was recording
}

TEST_F(LiveViewTest, ARetryThatSucceedsResumesTheRecordingThatWasLostWithTheStream) {
    for (const bool recording : {true, false}) {
        SCOPED_TRACE(recording ? "recording" : "not recording");
        window(0).Stop();
        const std::int32_t lost = openGate(0, 1);
        if (recording) {
            ASSERT_EQ(window(0).StartRecord(RecordingBaseDirectory()), 1);
        }
        video->queueStartAnswer(-2);
        video->reportStreamLost(lost);
        QTimer& timer = window(0).ReConnectTimer();
        ASSERT_TRUE(QTest::qWaitFor([&] { return timer.isActive(); }, kStartDeadlineMs));
        EXPECT_EQ(window(0).recording(), recording ? -1 : 0);  // -1: to resume with the stream
        const std::size_t from = mark();

        FireTimer(timer);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window(0).state() == ViewState::Live; }, kStartDeadlineMs));
        EXPECT_EQ(
            HandlesOf(CallsSince(*video, from, "X_ClientStartCaptureFile")),
            recording ? std::vector<std::int32_t>{window(0).streamHandle()} : std::vector<std::int32_t>{});
        EXPECT_EQ(window(0).recording(), recording ? 1 : 0);
        EXPECT_EQ(window(0).reconnectCount(), 0);
        EXPECT_FALSE(timer.isActive());
    }
}

// --- recording and snapshots ---

TEST_F(LiveViewTest, RecordingsAndSnapshotsAreNamedByDateDeviceChannelAndTime) {
    const QString drive = dir.path();
    const struct {
        int channel;
        const char* part;
    } cases[] = {{0, "00"}, {123, "123"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.channel);
        window(0).Stop();
        const std::int32_t handle = openGate(c.channel, 1);
        const std::size_t from = mark();
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);

        ASSERT_EQ(window(0).StartRecord(RecordingBaseDirectory()), 1);
        ASSERT_TRUE(grid->SnapshotWindow(SnapshotDirectory(), 1));
        const QDateTime after = QDateTime::currentDateTime().addSecs(1);
        EXPECT_TRUE(window(0).RecTimer().isActive());

        const auto captures = CallsSince(*video, from, "X_ClientStartCaptureFile");
        ASSERT_EQ(captures.size(), 1u);
        EXPECT_EQ(captures[0].handle, handle);
        const QRegularExpression recording(
            QStringLiteral("^%1VideoFiles/(\\d{8})/Gate/(\\d{14})_M_%2\\.avi$")
                .arg(QRegularExpression::escape(drive), QLatin1String(c.part)));
        const QRegularExpressionMatch file = recording.match(QString::fromStdString(captures[0].fileName));
        ASSERT_TRUE(file.hasMatch()) << captures[0].fileName;
        const QDateTime started = QDateTime::fromString(file.captured(2), QStringLiteral("yyyyMMddHHmmss"));
        EXPECT_TRUE(started >= before && started <= after) << file.captured(2).toStdString();
        EXPECT_EQ(file.captured(1), file.captured(2).left(8));
        EXPECT_TRUE(QDir(drive + QStringLiteral("VideoFiles/") + file.captured(1) + QStringLiteral("/Gate"))
                        .exists());

        const auto pictures = CallsSince(*video, from, "X_ClientCapPicFile");
        ASSERT_EQ(pictures.size(), 1u);
        const QRegularExpression snapshot(QStringLiteral("^%1VideoPhotos/(\\d{8})-(\\d{6})_Gate_CHN%2\\.bmp$")
                                              .arg(QRegularExpression::escape(drive), QLatin1String(c.part)));
        const QRegularExpressionMatch picture = snapshot.match(QString::fromStdString(pictures[0].fileName));
        ASSERT_TRUE(picture.hasMatch()) << pictures[0].fileName;
        const QDateTime taken = QDateTime::fromString(picture.captured(1) + picture.captured(2),
                                                      QStringLiteral("yyyyMMddHHmmss"));
        EXPECT_TRUE(taken >= before && taken <= after);
        EXPECT_TRUE(QDir(drive + QStringLiteral("VideoPhotos")).exists());
    }
}

TEST_F(LiveViewTest, ABaseFolderThatCannotBeMadeLeavesTheRecordingAsItWas) {
    openGate(0, 1);
    ASSERT_EQ(window(0).StartRecord(RecordingBaseDirectory()), 1);
    const std::size_t from = mark();
    const QString unreachable = dir.path() + QStringLiteral("missing/VideoFiles");  // only one level is made

    EXPECT_EQ(window(0).StartRecord(unreachable), 0);
    EXPECT_EQ(window(0).recording(), 1);
    EXPECT_TRUE(CallsSince(*video, from, "X_ClientStopCapture").empty());
    EXPECT_TRUE(CallsSince(*video, from, "X_ClientStartCaptureFile").empty());
    EXPECT_FALSE(QDir(unreachable).exists());
    EXPECT_EQ(window(1).StartRecord(RecordingBaseDirectory()), 0);  // idle
}

class RecordRotationTest : public LiveViewTest {
protected:
    RecordRotationTest() : LiveViewTest(100ms) {}
};

TEST_F(RecordRotationTest, ARecordingGoesOnInANewFileWhenItsTimeIsUp) {
    const std::int32_t handle = openGate(0, 1);
    ASSERT_EQ(window(0).StartRecord(RecordingBaseDirectory()), 1);
    EXPECT_EQ(window(0).RecTimer().interval(), 100);
    const std::size_t from = mark();

    ASSERT_TRUE(QTest::qWaitFor([&] { return !CallsSince(*video, from, "X_ClientStartCaptureFile").empty(); },
                                kStartDeadlineMs));
    std::vector<std::string> order;
    for (const auto& call : video->calls())
        if (call.name == "X_ClientStopCapture" || call.name == "X_ClientStartCaptureFile")
            order.push_back(call.name);
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 3),
              (std::vector<std::string>{"X_ClientStartCaptureFile", "X_ClientStopCapture",
                                        "X_ClientStartCaptureFile"}));
    EXPECT_EQ(HandlesOf(CallsSince(*video, from, "X_ClientStartCaptureFile")).front(), handle);
    EXPECT_EQ(window(0).recording(), 1);
    EXPECT_TRUE(window(0).RecTimer().isActive());
}

// --- many quick starts and stops ---

TEST_F(LiveViewTest, SixtyFourWindowsOpenedAndStoppedInQuickSuccessionLeaveNothingBehind) {
    grid->SetLayout(64);
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 64; ++i) {
            grid->OpenStream(LiveConnection("Gate", round * 100 + i), StreamTarget{}, i + 1, -1);
            if ((i + round) % 2 == 0) grid->StopWindow(i + 1);  // while its start still runs
        }
        QCoreApplication::processEvents();  // some starts end, others are still on their way
        for (int i = 0; i < 64; i += 3)
            grid->OpenStream(LiveConnection("Gate", round * 100 + i + 50), StreamTarget{}, i + 1, -1);
        grid->NStopAllClick();
    }
    calls.waitForDone();

    std::multiset<std::int32_t> started;
    for (const auto& start : video->starts())
        if (start.result > 0) started.insert(start.result);
    ASSERT_FALSE(started.empty());
    auto stopped = [&] {
        const auto stops = HandlesOf(video->callsNamed("X_ClientStop"));
        return std::multiset<std::int32_t>(stops.begin(), stops.end());
    };
    // The last starts' answers are stopped as they arrive.
    EXPECT_TRUE(QTest::qWaitFor([&] { return stopped() == started; }, kStartDeadlineMs))
        << "started " << started.size() << ", stopped " << stopped().size();
    for (int i = 0; i < 64; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(window(i).state(), ViewState::Idle);
        EXPECT_FALSE(window(i).startPending());
    }
}

}  // namespace
}  // namespace strovik
