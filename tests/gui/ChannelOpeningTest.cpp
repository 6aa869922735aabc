// The main window's side of the live view with the library doubles: opening channels from the
// tree, pages of channels, the layout menu and the record and snapshot buttons. The texts come
// from the shipped English language file, copied into the window's app folder.
#include "LiveViewTestSupport.h"

#include "app/BottomBar.h"
#include "app/DeviceListPage.h"
#include "app/StrovikForm.h"
#include "devicelibs/doubles/RecordingStreamPlayerLibrary.h"
#include "devicelibs/doubles/RecordingTcpClientLibrary.h"
#include "devicelibs/doubles/RecordingVideoClientLibrary.h"
#include "devices/DeviceListFile.h"
#include "doubles/ScriptedUiServices.h"
#include "doubles/WindowServices.h"
#include "liveview/ChannelOpening.h"
#include "liveview/ChannelTexts.h"
#include "liveview/MyView.h"
#include "liveview/RecordButtons.h"
#include "liveview/RecordNaming.h"
#include "liveview/ViewForm.h"
#include "platform/AudioMixer.h"
#include "platform/StringTable.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <optional>

namespace strovik {
namespace {

using test::AutoSearchedCamera;
using test::CallsSince;
using test::HandlesOf;
using test::kStartDeadlineMs;
using test::LiveConnection;
using test::OpenIn;

constexpr std::int32_t kRights = 58;  // a verification answer of a user with rights level 58
constexpr int kOpenedRecorderIcon = 9;

QByteArray fixture(const char* name) {
    QFile file(QStringLiteral(STROVIK_GUI_FIXTURES "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ChannelOpeningTest : public ::testing::Test {
protected:
    void start(const char* deviceList) {
        QDir().mkpath(appDir);
        const QByteArray list = fixture(deviceList);
        ASSERT_FALSE(list.isEmpty()) << deviceList;
        dir.write(QStringLiteral("app/") + QLatin1String(kDeviceListFileName), list);
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(STROVIK_LANG_DIR "/1033.ini"), appDir + QStringLiteral("1033.ini")));

        form = std::make_unique<TStrovikForm>(test::WindowServices(dir, appDir, ui, {tcp, nullptr, video, player, nullptr}));
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->resize(1024, 768);
        QCoreApplication::processEvents();
        // The CPU rule adds its calls every second; nothing here is about it.
        grid().Timer1().stop();
        grid().TimerCpu().stop();
        ASSERT_FALSE(text(4201).isEmpty()) << "the language file was not read";
    }

    TViewForm& grid() { return form->grid(); }
    TMyView& window(int index) { return *grid().view(index); }
    QString text(int entry) const { return form->state().strings.Lookup(entry); }
    QAction* action(const char* name) const { return form->findChild<QAction*>(QLatin1String(name)); }
    std::size_t mark() const { return video->calls().size(); }

    void waitUntilIdle() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->opening().busy(); }, kStartDeadlineMs));
    }
    void showPage(int start) {
        form->opening().ShowPage(start);
        waitUntilIdle();
    }

    // The start that drew into window `index` last.
    std::optional<RecordingVideoClientLibrary::Start> lastStartOf(int index) const {
        const auto starts = video->starts();
        for (auto it = starts.rbegin(); it != starts.rend(); ++it)
            if (it->info.window == static_cast<RenderTarget*>(form->grid().view(index))) return *it;
        return std::nullopt;
    }

    // Where a channel's icon and name lie in the tree's viewport.
    QPoint channelInTree(int device, int channel) {
        QTreeView* tree = form->deviceListPage().TreeViewList;
        tree->expandAll();
        QAbstractItemModel* model = tree->model();
        const QModelIndex index = model->index(channel, 0, model->index(device, 0));
        EXPECT_TRUE(index.isValid());
        tree->scrollTo(index);
        const QRect cell = tree->visualRect(index);
        return QPoint(cell.left() + 20, cell.center().y());
    }
    void doubleClickChannel(int device, int channel) {
        const QPoint at = channelInTree(device, channel);
        QWidget* viewport = form->deviceListPage().TreeViewList->viewport();
        // QTest's double-click on a widget is the double-click event alone; a view wants the press first.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    }
    void rightClickChannel(int device, int channel) {
        const QPoint at = channelInTree(device, channel);
        QTest::mouseClick(form->deviceListPage().TreeViewList->viewport(), Qt::RightButton, {}, at);
    }

    int rootIcon(int device) const {
        return form->state().tree.model().roots()[static_cast<std::size_t>(device)]->icon();
    }

    test::TempDir dir;
    test::ScopedEnvironment drive{"STROVIK_DRIVE", dir.path()};
    QString appDir = dir.path() + QStringLiteral("app/");
    std::shared_ptr<RecordingTcpClientLibrary> tcp = std::make_shared<RecordingTcpClientLibrary>();
    std::shared_ptr<RecordingVideoClientLibrary> video = std::make_shared<RecordingVideoClientLibrary>();
    std::shared_ptr<RecordingStreamPlayerLibrary> player = std::make_shared<RecordingStreamPlayerLibrary>();
    test::ScriptedUiServices ui;
    std::unique_ptr<TStrovikForm> form;
};

// --- pages ---

TEST_F(ChannelOpeningTest, APageTakesTheChannelsFromItsStartPositionOnAndStopsTheWindowsLeftOver) {
    start("FiveAndThreeChannels.ini");
    tcp->setDefaultVerifyAnswer(kRights);
    showPage(5);

    const struct {
        const char* address;
        int channel;
    } shown[] = {{"127.0.0.21", 4}, {"127.0.0.22", 0}, {"127.0.0.22", 1}, {"127.0.0.22", 2}};
    std::vector<std::int32_t> handles;
    for (int w = 0; w < 4; ++w) {
        SCOPED_TRACE(w);
        EXPECT_EQ(window(w).state(), ViewState::Live);
        handles.push_back(window(w).streamHandle());
        const auto start = lastStartOf(w);
        ASSERT_TRUE(start.has_value());
        EXPECT_EQ(start->info.address, shown[w].address);
        EXPECT_EQ(start->info.channelIndex, shown[w].channel);
        // The first device fills one window of this page: its tens ride on every start.
        EXPECT_EQ(start->info.netTypeUnits, 1);
        EXPECT_EQ(start->info.netTypeTens, 10);
    }
    EXPECT_EQ(video->starts().size(), 4u);
    EXPECT_EQ(grid().selected(), 0);

    // Nothing lies at position 9: every window of the layout is stopped.
    const std::size_t from = mark();
    showPage(9);
    auto stopped = HandlesOf(CallsSince(*video, from, "X_ClientStop"));
    std::sort(stopped.begin(), stopped.end());
    std::sort(handles.begin(), handles.end());
    EXPECT_EQ(stopped, handles);
    for (int w = 0; w < 4; ++w) EXPECT_EQ(window(w).state(), ViewState::Idle) << w;
    EXPECT_EQ(video->starts().size(), 4u);
}

TEST_F(ChannelOpeningTest, PagingMovesAPageAtATimeAndEnablesTheItemsThatLeadSomewhere) {
    start("FiveAndThreeChannels.ini");
    tcp->setDefaultVerifyAnswer(kRights);
    QAction* up = action("NUpPage");
    QAction* down = action("NDownPage");
    ASSERT_NE(up, nullptr);
    ASSERT_NE(down, nullptr);
    struct Shown {
        const char* device;
        int channel;
    };
    const struct {
        const char* name;
        int pressedChannel;  // of the first device, right-clicked in the tree first; -1: none
        const char* item;    // null: nothing chosen
        int pageStart;
        bool upEnabled;
        bool downEnabled;
        std::vector<Shown> windows;  // the rest of the layout is idle
    } steps[] = {
        {"at start", -1, nullptr, 0, false, false, {}},
        {"start all",
         -1,
         "NStartAll",
         1,
         false,
         true,
         {{"Gate DVR", 0}, {"Gate DVR", 1}, {"Gate DVR", 2}, {"Gate DVR", 3}}},
        // 8 - 5 < 4: nothing after this page.
        {"down",
         -1,
         "NDownPage",
         5,
         true,
         false,
         {{"Gate DVR", 4}, {"Yard NVR", 0}, {"Yard NVR", 1}, {"Yard NVR", 2}}},
        {"up",
         -1,
         "NUpPage",
         1,
         false,
         true,
         {{"Gate DVR", 0}, {"Gate DVR", 1}, {"Gate DVR", 2}, {"Gate DVR", 3}}},
        {"start all at the third channel",
         2,
         "NStartAll",
         3,
         false,
         true,
         {{"Gate DVR", 2}, {"Gate DVR", 3}, {"Gate DVR", 4}, {"Yard NVR", 0}}},
        {"down to a short page", -1, "NDownPage", 7, true, false, {{"Yard NVR", 1}, {"Yard NVR", 2}}},
        // 7 - 4 lies within the first layout's worth of channels: back to the first page, not to 3.
        {"up again",
         -1,
         "NUpPage",
         1,
         false,
         true,
         {{"Gate DVR", 0}, {"Gate DVR", 1}, {"Gate DVR", 2}, {"Gate DVR", 3}}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.pressedChannel >= 0) {
            rightClickChannel(0, step.pressedChannel);
            ASSERT_EQ(form->state().startPosition, step.pressedChannel + 1);
        }
        if (step.item) {
            QAction* item = action(step.item);
            ASSERT_NE(item, nullptr);
            ASSERT_TRUE(item->isEnabled());
            item->trigger();
            waitUntilIdle();
        }
        EXPECT_EQ(form->state().pageStart, step.pageStart);
        EXPECT_EQ(up->isEnabled(), step.upEnabled);
        EXPECT_EQ(down->isEnabled(), step.downEnabled);
        for (std::size_t w = 0; w < 4; ++w) {
            SCOPED_TRACE(w);
            const TMyView& shown = window(static_cast<int>(w));
            if (w >= step.windows.size()) {
                EXPECT_EQ(shown.state(), ViewState::Idle);
                continue;
            }
            EXPECT_EQ(shown.state(), ViewState::Live);
            EXPECT_EQ(shown.connection().deviceName.toQString(), QString::fromUtf8(step.windows[w].device));
            EXPECT_EQ(shown.connection().channelIndex, step.windows[w].channel);
        }
    }
}

TEST_F(ChannelOpeningTest, SixFailedLoginsOfADeviceSkipItsOtherChannelsOnThePage) {
    start("FailingDeviceFirst.ini");
    for (int i = 0; i < 6; ++i) tcp->queueVerifyAnswer(-1);
    tcp->setDefaultVerifyAnswer(kRights);
    action("N9Frame")->trigger();
    ASSERT_EQ(grid().layout(), 9);
    showPage(1);

    const QString failure = text(4101) + QStringLiteral(" (-1)");
    ASSERT_FALSE(text(4101).isEmpty());
    for (int w = 0; w < 5; ++w) {
        SCOPED_TRACE(w);
        EXPECT_EQ(window(w).statusText(), failure);
        EXPECT_EQ(window(w).statusColour(), kStatusGreen);
        EXPECT_EQ(window(w).state(), ViewState::Idle);
    }
    EXPECT_EQ(window(5).statusText(), text(4202));
    EXPECT_EQ(window(5).statusColour(), kStatusRed);
    // The device's last two channels take no position: the next device's come right after.
    for (int w = 6; w < 9; ++w) {
        SCOPED_TRACE(w);
        EXPECT_EQ(window(w).state(), ViewState::Live);
        EXPECT_EQ(window(w).connection().deviceName.toQString(), QStringLiteral("Yard NVR"));
        EXPECT_EQ(window(w).connection().channelIndex, w - 6);
    }
    std::vector<std::string> hosts;
    for (const auto& request : tcp->verifyRequests()) hosts.push_back(request.host);
    std::vector<std::string> expected(6, "127.0.0.23");
    expected.push_back("127.0.0.22");
    EXPECT_EQ(hosts, expected);
    EXPECT_EQ(video->starts().size(), 3u);
}

// --- the tree ---

TEST_F(ChannelOpeningTest, DoubleClickOnAChannelLogsInOnlyWhenItsDeviceIsNotVerifiedYet) {
    start("FiveAndThreeChannels.ini");
    tcp->setDefaultVerifyAnswer(kRights);
    form->state().tree.devices()[0]->rights = kRights;
    const struct {
        const char* name;
        int device;
        int channel;
        std::size_t logins;
        bool connectingText;
    } cases[] = {
        {"verified device", 0, 2, 0, false},
        {"device not verified yet", 1, 1, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t loginsBefore = tcp->verifyRequests().size();
        TMyView& selected = window(grid().selected());
        TMyView& opened = window(grid().PickWindow());
        ASSERT_NE(rootIcon(c.device), kOpenedRecorderIcon);

        doubleClickChannel(c.device, c.channel);
        // What the operator sees at once: the login under way, or the stream starting already.
        if (c.connectingText) {
            EXPECT_EQ(selected.statusText(), ConnectingText(form->state().strings));
            EXPECT_EQ(selected.statusColour(), kStatusGreen);
        } else {
            EXPECT_EQ(opened.statusText(), text(4200));
        }
        waitUntilIdle();
        EXPECT_EQ(tcp->verifyRequests().size(), loginsBefore + c.logins);
        EXPECT_EQ(opened.state(), ViewState::Live);
        EXPECT_EQ(opened.connection().channelIndex, c.channel);
        EXPECT_EQ(opened.statusText(), text(4201));
        EXPECT_EQ(rootIcon(c.device), kOpenedRecorderIcon);
    }
}

// --- the layout menu ---

TEST_F(ChannelOpeningTest, OneWindowLayoutGivesTheSelectedCameraTheMainStreamAndKeepsItRecording) {
    start("FiveAndThreeChannels.ini");
    ASSERT_GT(OpenIn(grid(), AutoSearchedCamera("Cam1"), 2), 0);  // holds the main stream
    const std::int32_t sub = OpenIn(grid(), AutoSearchedCamera("Cam2"), 1);
    ASSERT_GT(sub, 0);
    ASSERT_EQ(window(0).connection().channelIndex, 1);
    ASSERT_EQ(grid().selected(), 0);
    ASSERT_EQ(grid().mainStreamWindow(), 1);
    ASSERT_NE(window(0).StartRecord(RecordingBaseDirectory()), 0);
    const std::size_t from = mark();
    const std::size_t startsBefore = video->starts().size();

    action("N1Frame")->trigger();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window(0).state() == ViewState::Live && window(0).streamHandle() != sub; },
        kStartDeadlineMs));
    const auto starts = video->starts();
    ASSERT_EQ(starts.size(), startsBefore + 1);
    EXPECT_EQ(starts.back().info.channelIndex, 0);
    EXPECT_EQ(starts.back().info.window, static_cast<RenderTarget*>(&window(0)));
    EXPECT_TRUE(grid().mainStreamSet());
    EXPECT_EQ(grid().mainStreamWindow(), 0);
    EXPECT_EQ(HandlesOf(CallsSince(*video, from, "X_ClientStopCapture")), std::vector<std::int32_t>{sub});
    EXPECT_EQ(HandlesOf(CallsSince(*video, from, "X_ClientStartCaptureFile")),
              std::vector<std::int32_t>{window(0).streamHandle()});
    EXPECT_NE(window(0).recording(), 0);
}

// --- record and snapshot buttons ---

TEST_F(ChannelOpeningTest, TheRecordButtonSaysStopAfterAClickEvenWhenTheRecordingDidNotStart) {
    start("FiveAndThreeChannels.ini");
    const std::int32_t handle = OpenIn(grid(), LiveConnection("Gate", 0), 1);
    ASSERT_GT(handle, 0);
    form->recordButtons().RefreshRecordButton();
    QPushButton* button = form->bottomBar().RecChnBtn;
    ASSERT_TRUE(button->isEnabled());
    EXPECT_EQ(button->text(), text(4010));
    auto captures = [&] { return video->callsNamed("X_ClientStartCaptureFile").size(); };

    video->setResult("X_ClientStartCaptureFile", 0);
    for (std::size_t click = 1; click <= 2; ++click) {
        SCOPED_TRACE(click);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(button->text(), text(4011));
        EXPECT_EQ(window(0).recording(), 0);
        EXPECT_EQ(captures(), click);  // every click tries again
    }
    video->setResult("X_ClientStartCaptureFile", 1);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(captures(), 3u);
    EXPECT_NE(window(0).recording(), 0);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(HandlesOf(video->callsNamed("X_ClientStopCapture")), std::vector<std::int32_t>{handle});
    EXPECT_EQ(button->text(), text(4010));
    EXPECT_EQ(window(0).recording(), 0);
}

TEST_F(ChannelOpeningTest, RecordAllCountsAWindowThatRecordsAlreadyAndStartsOnlyTheOthers) {
    start("FiveAndThreeChannels.ini");
    const std::int32_t recording = OpenIn(grid(), LiveConnection("Gate", 0), 1);
    const std::int32_t other = OpenIn(grid(), LiveConnection("Gate", 1), 2);
    ASSERT_GT(recording, 0);
    ASSERT_GT(other, 0);
    ASSERT_NE(window(0).StartRecord(RecordingBaseDirectory()), 0);
    form->recordButtons().EnableRecordAllButton();
    QPushButton* button = form->bottomBar().RecAllBtn;
    ASSERT_TRUE(button->isEnabled());
    std::size_t from = mark();

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(HandlesOf(CallsSince(*video, from, "X_ClientStartCaptureFile")),
              std::vector<std::int32_t>{other});
    EXPECT_EQ(button->text(), text(4021));
    EXPECT_TRUE(form->state().recordingAll);

    from = mark();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(HandlesOf(CallsSince(*video, from, "X_ClientStopCapture")),
              (std::vector<std::int32_t>{recording, other}));
    EXPECT_EQ(button->text(), text(4020));
    EXPECT_FALSE(form->state().recordingAll);
}

TEST_F(ChannelOpeningTest, ASnapshotIsAnnouncedInAMessageBoxAndAFailedOneIsNot) {
    start("FiveAndThreeChannels.ini");
    ASSERT_GT(OpenIn(grid(), LiveConnection("Gate", 0), 1), 0);
    QToolButton* button = form->bottomBar().SnapBtn;

    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].request.caption, QStringLiteral("ZENTROVA"));
    EXPECT_EQ(ui.messages[0].request.text, text(8) + QLatin1Char(' ') + SnapshotDirectory());
    EXPECT_EQ(video->callsNamed("X_ClientCapPicFile").size(), 1u);

    video->setResult("X_ClientCapPicFile", 0);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(video->callsNamed("X_ClientCapPicFile").size(), 2u);
    EXPECT_EQ(ui.messages.size(), 1u);
}

}  // namespace
}  // namespace strovik
