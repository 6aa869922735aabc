// Every flow of the main window against every fault devsim plays, in one main window with the real
// libraries: each case ends within the bound its code documents, with the text the operator is
// meant to see, and leaves the window usable (the same flow against a healthy device works
// afterwards) and the device list file as it was. Each case prints one line of the table.
#include "DevsimProcess.h"
#include "admin/DeviceCommands.h"
#include "admin/LanCameraList.h"
#include "admin/LanSearchPage.h"
#include "admin/ServerInfoFrm.h"
#include "app/StrovikForm.h"
#include "app/ToolNotebook.h"
#include "devicelibs/discovery/DiscoveryFactory.h"
#include "devicelibs/ffmpeg/FfmpegVideoClient.h"
#include "devicelibs/ffmpeg/FrameFileToAvi.h"
#include "devicelibs/tcpclient/TcpClientFactory.h"
#include "devices/DeviceListFile.h"
#include "devices/DeviceNode.h"
#include "devices/DeviceTree.h"
#include "e2e/LinkTestSupport.h"
#include "e2e/LiveViewTestSupport.h"
#include "e2e/RecordingsSite.h"
#include "liveview/ChannelOpening.h"
#include "liveview/MyView.h"
#include "liveview/PtzControl.h"
#include "liveview/PtzLink.h"
#include "liveview/ViewForm.h"
#include "recordings/FormDownLoad.h"
#include "recordings/RecordFileList.h"
#include "recordings/RecordListModel.h"
#include "recordings/RecordSearch.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <iostream>
#include <map>

namespace strovik {
namespace {

using namespace std::chrono_literals;

enum class Flow { Verification, LiveView, RecordSearch, Playback, Download, Ptz, Discovery };

const char* FlowName(Flow flow) {
    switch (flow) {
        case Flow::Verification: return "verification";
        case Flow::LiveView: return "live view";
        case Flow::RecordSearch: return "record search";
        case Flow::Playback: return "playback";
        case Flow::Download: return "download";
        case Flow::Ptz: return "PTZ";
        case Flow::Discovery: return "discovery";
    }
    return "?";
}

// The limits the flows are documented to keep: the defaults of the program's libraries and windows.
constexpr TcpClientOptions kTcpClient{};
constexpr FfmpegVideoClient::Options kVideoClient{};
constexpr PtzLink::Options kPtzLink{};
// A verification, a command connection or a transfer's hello: connect, then the whole answer.
constexpr int kConnectMs = static_cast<int>(kTcpClient.connectTimeout.count());
constexpr int kLibraryCallMs = kConnectMs + static_cast<int>(kTcpClient.answerTimeout.count());
// A transfer gives up after this long without data.
constexpr int kTransferIdleMs = static_cast<int>(kTcpClient.transferIdleTimeout.count());
// A live stream's start: connect, then the session's answer.
constexpr int kStreamStartMs =
    static_cast<int>((kVideoClient.connectTimeout + kVideoClient.answerTimeout).count());
// A search's busy indicator goes on the third tick of its timer without results.
constexpr int kSearchQuietMs = 3 * RecordSearch::kSearchTimerMs;
// The PTZ link: a library connection, its pause and a send; a release whose send failed gets one
// more try on a fresh connection.
constexpr int kPtzSendMs = static_cast<int>(
    2 * (kLibraryCallMs + kPtzLink.connectPause.count() + kTcpClient.sendTimeout.count()));
// The LAN page's search ends with the library's SearchDone after its listening time; one second more
// for the probe going out and the report's way to the GUI thread.
constexpr auto kListenTime = 700ms;
constexpr int kDiscoveryMs = static_cast<int>(kListenTime.count()) + 1000;

constexpr int kLiveDropMs = 1500;
constexpr int kLiveDropMaxMs = 3000;

// devsim knobs of a row's device; kNotServed: nothing listens on its address.
const QString kNotServed = QStringLiteral("(not served)");
const QString kHealthy = QStringLiteral("Healthy");
constexpr char kWrongPassword[] = "not-admin";
const QString kTransferFault = QStringLiteral("TransferBlock=8192\nTransferFaultAfter=20000\nTransferFault=");

struct MatrixRow {
    Flow flow;
    const char* device;  // its name in devsim and in the device list; rows of one name share it
    QString knobs;       // the device's devsim fault keys
    QStringList texts;   // what it may end with (more than one only where devsim draws at random)
    int boundMs;
    const char* password = "admin";  // the list's password for admin (devsim's is admin)
};

const QString kConnected = QStringLiteral("Connected");
const QString kOpenFailed = QStringLiteral("Record File Open Failed！");
const QString kDownloadFailed = QStringLiteral("Download connect failed!");

// The library's errors as the windows tell them.
const QString kRefused = QStringLiteral("Device refused the session (-9)");
const QString kInvalid = QStringLiteral("Invalid answer from the device (-8)");
const QString kNoAnswer = QStringLiteral("No answer from the device (-6)");
const QString kClosed = QStringLiteral("Device closed the connection (-7)");
const QString kUnreachable = QStringLiteral("Connection refused or device unreachable (-1)");

const std::vector<MatrixRow>& Rows() {
    static const std::vector<MatrixRow> rows = [] {
        const QString refuse = QStringLiteral("VerifyFault=refuse");
        const QString garbage = QStringLiteral("VerifyFault=garbage");
        const QString oversized = QStringLiteral("VerifyFault=oversized");
        const QString silence = QStringLiteral("VerifyFault=silence");
        const QString close = QStringLiteral("VerifyFault=close");
        const QString random = QStringLiteral("CloseChance=15");
        // The 20 bytes of a verification answer take 8 s, beyond the answer timeout.
        const QString trickle = QStringLiteral("TrickleMs=400");
        // The search's messages name the device first.
        const auto named = [](const char* device, const QString& text) {
            return QLatin1String(device) + QLatin1Char(' ') + text;
        };
        return std::vector<MatrixRow>{
            // A double-click on a channel: the login's text in the window (ChannelLoginFailureText).
            {Flow::Verification, "Refusing", refuse, {kRefused}, kLibraryCallMs},
            {Flow::Verification, "Garbling", garbage, {kInvalid}, kLibraryCallMs},
            {Flow::Verification, "Oversizing", oversized, {kInvalid}, kLibraryCallMs},
            {Flow::Verification, "Silent", silence, {kNoAnswer}, kLibraryCallMs},
            {Flow::Verification, "Closing", close, {kClosed}, kLibraryCallMs},
            {Flow::Verification, "Trickling", trickle, {kNoAnswer}, kLibraryCallMs},
            {Flow::Verification, "Locked", {}, {QStringLiteral("Locked Password not right")}, kLibraryCallMs,
             kWrongPassword},
            {Flow::Verification, "Nobody", kNotServed, {kUnreachable}, kLibraryCallMs},
            // Login, device information (another library call) and the stream's start.
            {Flow::Verification, "Flaky", random, {kConnected, kClosed},
             2 * kLibraryCallMs + kStreamStartMs},
            // From live pictures: the device ends the stream, the window starts it again at once.
            {Flow::LiveView, "Dropping", QStringLiteral("LiveDropAfterMs=%1").arg(kLiveDropMs), {kConnected},
             kLiveDropMs + kStreamStartMs},
            {Flow::LiveView, "Wavering", QStringLiteral("LiveDropRandomMs=1000-%1").arg(kLiveDropMaxMs),
             {kConnected}, kLiveDropMaxMs + kStreamStartMs},
            // The search button: its login's message box (SearchLoginFailureText), or nothing said
            // and nothing listed when the search's answers are broken.
            {Flow::RecordSearch, "Refusing", refuse, {named("Refusing", kRefused)}, kLibraryCallMs},
            {Flow::RecordSearch, "Garbling", garbage, {named("Garbling", kInvalid)}, kLibraryCallMs},
            {Flow::RecordSearch, "Oversizing", oversized, {named("Oversizing", kInvalid)}, kLibraryCallMs},
            {Flow::RecordSearch, "Silent", silence, {named("Silent", kNoAnswer)}, kLibraryCallMs},
            {Flow::RecordSearch, "Closing", close, {named("Closing", kClosed)}, kLibraryCallMs},
            {Flow::RecordSearch, "Trickling", trickle, {named("Trickling", kNoAnswer)}, kLibraryCallMs},
            {Flow::RecordSearch, "Locked", {}, {QStringLiteral("Locked Password not right")}, kLibraryCallMs,
             kWrongPassword},
            {Flow::RecordSearch, "Nobody", kNotServed, {named("Nobody", kUnreachable)}, kLibraryCallMs},
            {Flow::RecordSearch, "Malformed", QStringLiteral("SearchFault=malformed"), {QString()},
             kLibraryCallMs + kConnectMs + kSearchQuietMs},
            {Flow::RecordSearch, "Overlong", QStringLiteral("SearchFault=oversized"), {QString()},
             kLibraryCallMs + kConnectMs + kSearchQuietMs},
            {Flow::RecordSearch, "Mute", QStringLiteral("SearchFault=silence"), {QString()},
             kLibraryCallMs + kConnectMs + kSearchQuietMs},
            {Flow::RecordSearch, "Flaky", random,
             {QString(), named("Flaky", kClosed), QStringLiteral("Search File Failed！")},
             2 * kLibraryCallMs + kConnectMs + kSearchQuietMs},
            // A found recording played in a window: the transfer's failure is told in the window.
            {Flow::Playback, "Dropper", kTransferFault + QStringLiteral("drop"), {kOpenFailed},
             kLibraryCallMs},
            {Flow::Playback, "Staller", kTransferFault + QStringLiteral("stall"), {kOpenFailed},
             kLibraryCallMs + kTransferIdleMs},
            {Flow::Playback, "Bloater", kTransferFault + QStringLiteral("oversized"), {kOpenFailed},
             kLibraryCallMs},
            {Flow::Playback, "Flaky", random, {QString(), kOpenFailed}, kLibraryCallMs + kTransferIdleMs},
            // A found recording downloaded: the dialog's message box, and the dialog closes.
            {Flow::Download, "Dropper", kTransferFault + QStringLiteral("drop"), {kDownloadFailed},
             kLibraryCallMs},
            {Flow::Download, "Staller", kTransferFault + QStringLiteral("stall"), {kDownloadFailed},
             kLibraryCallMs + kTransferIdleMs},
            {Flow::Download, "Bloater", kTransferFault + QStringLiteral("oversized"), {kDownloadFailed},
             kLibraryCallMs},
            {Flow::Download, "Flaky", random, {QString(), kDownloadFailed}, kLibraryCallMs + kTransferIdleMs},
            // A press and release on the PTZ page for the channel opened before: a channel that did
            // not open sends nothing; a reset PTZ session costs at most the link's retry.
            {Flow::Ptz, "Locked", {}, {QStringLiteral("Locked Password not right")}, kPtzSendMs,
             kWrongPassword},
            {Flow::Ptz, "Nobody", kNotServed, {kUnreachable}, kPtzSendMs},
            {Flow::Ptz, "Flaky", random, {kConnected, kClosed}, kPtzSendMs},
            // The device editor's LAN search while no device answers probes.
            {Flow::Discovery, "Healthy", {}, {QStringLiteral("0 found")}, kDiscoveryMs},
        };
    }();
    return rows;
}

const devsim::RecordingEntry kRecording = test::RecordingAt(8, devsim::RecordingFormat::FrameFormat, 60);
constexpr int kContentSeconds = 2;
const QDate kRecordingDay(2024, 3, 1);

// How a flow ended: the text the operator sees (a new message box's, else the window's or page's),
// whether it did what the operator asked, and when.
struct FlowEnd {
    QString text;
    bool succeeded = false;
    qint64 elapsedMs = 0;
    QString detail;     // for the printed table
    bool ended = true;  // false: still going at the test's own deadline (a hang)
};

class FaultMatrixE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        listed.push_back({kHealthy, devsim.address(2), 2});
        QString sections = section(kHealthy, listed.back().address, {});
        std::map<QString, QString> knobsOf{{kHealthy, QString()}};
        for (const MatrixRow& row : Rows()) {
            const QString name = QLatin1String(row.device);
            const auto [known, added] = knobsOf.emplace(name, row.knobs);
            ASSERT_EQ(known->second, row.knobs) << "rows of device " << row.device << " differ in knobs";
            if (!added) continue;
            listed.push_back({name, devsim.address(2 + static_cast<int>(listed.size())), 2, 5050,
                              QLatin1String(row.password)});
            if (row.knobs != kNotServed) sections += section(name, listed.back().address, row.knobs);
        }
        ASSERT_TRUE(devsim.start(sections, QStringLiteral("Seed=7"), 60s))
            << devsim.errorString().toStdString();

        DiscoveryOptions discovery;
        discovery.probeAddress = devsim.address(1);
        discovery.probePort = devsim::DevsimProcess::kDiscoveryPort;
        discovery.listenTime = kListenTime;
        main = std::make_unique<test::LiveMainWindow>(listed, drive.path(), std::chrono::minutes(10),
                                                      CreateDiscoveryLibrary(discovery));
        listFile = main->directory().path() + QStringLiteral("app/") + QLatin1String(kDeviceListFileName);
        listBytes = test::ReadWholeFile(listFile);
        ASSERT_FALSE(listBytes.isEmpty());
    }

    // A DVR of two channels with the recording in a folder of its own.
    static QString section(const QString& name, const std::string& address, const QString& knobs) {
        return test::DvrSection(name, address, 2,
                                QStringLiteral("Recordings=rec/%1\nRecordingContentSeconds=%2\n%3%4")
                                    .arg(name)
                                    .arg(kContentSeconds)
                                    .arg(test::CatalogueLine(1, kRecording), knobs));
    }

    int treeIndex(const QString& name) const {
        for (std::size_t i = 0; i < listed.size(); ++i)
            if (listed[i].name == name) return static_cast<int>(i);
        return -1;
    }
    const QString& nameOf(int device) const { return listed[static_cast<std::size_t>(device)].name; }
    DeviceNode& record(int device) {
        return *main->form().state().tree.devices()[static_cast<std::size_t>(device)];
    }
    TMyView& window() { return main->view(0); }

    // Every window stopped and the first selected, so that the flow's window is the first.
    void freshGrid() {
        main->grid().NStopAllClick();
        main->grid().SelectWindow(0);
        QCoreApplication::processEvents();
    }
    QString newMessage(std::size_t before) const {
        return main->ui.messages.size() > before ? main->ui.messages.back().request.text : QString();
    }

    FlowEnd verify(int device) {
        freshGrid();
        const std::size_t before = main->ui.messages.size();
        QElapsedTimer clock;
        clock.start();
        main->doubleClickChannel(device, 0);
        const bool ended = QTest::qWaitFor([&] { return !main->opening().busy(); }, kWaitMs);
        FlowEnd end{window().statusText(), window().state() == ViewState::Live, clock.elapsed(), {}, ended};
        if (const QString message = newMessage(before); !message.isEmpty()) end.text = message;
        return end;
    }

    FlowEnd live(int device) {
        FlowEnd opened = verify(device);
        if (!opened.succeeded) return opened;
        const std::int32_t firstStream = window().streamHandle();
        QElapsedTimer clock;
        clock.start();
        const bool restarted = QTest::qWaitFor(
            [&] { return window().state() == ViewState::Live && window().streamHandle() != firstStream; },
            kWaitMs);
        FlowEnd end{window().statusText(), false, clock.elapsed(), {}, restarted};
        const qint64 painted = window().picturesPainted();
        end.succeeded =
            restarted && QTest::qWaitFor([&] { return window().picturesPainted() > painted + 2; }, 10000);
        end.detail = QLatin1String(end.succeeded ? "restarted with pictures" : "no pictures");
        return end;
    }

    // The whole wait of a search: a message box, or the busy indicator gone after it showed.
    FlowEnd search(int device) {
        const std::size_t before = main->ui.messages.size();
        RecordSearch& searching = main->form().recordSearch();
        RecordListModel& rows = main->form().fileList().model();
        QElapsedTimer clock;
        clock.start();
        main->searchRecords(device, kRecordingDay);
        bool shown = false;
        const bool ended = QTest::qWaitFor(
            [&] {
                shown = shown || searching.animationVisible();
                return main->ui.messages.size() > before || (shown && !searching.animationVisible());
            },
            kWaitMs);
        FlowEnd end{newMessage(before), rows.rowCount() == 1, clock.elapsed(), {}, ended};
        end.detail = QStringLiteral("the list shows %1").arg(rows.rowCount());
        return end;
    }
    // A search that finds the recording: the device has answered once devsim logs the search (the
    // list was emptied before it was asked) and the row is listed, whatever the busy indicator does.
    // A search that ends without it (a device that resets sessions at random) is made again, as
    // the operator would, a few times.
    bool listed1(int device) {
        RecordSearch& searching = main->form().recordSearch();
        RecordListModel& rows = main->form().fileList().model();
        const QStringList searched{QStringLiteral("search device=%1 ").arg(nameOf(device))};
        for (int attempt = 0; attempt < kSearchAttempts; ++attempt) {
            const int before = test::CountLogLines(devsim, searched);
            const std::size_t messages = main->ui.messages.size();
            const auto found = [&] {
                return test::CountLogLines(devsim, searched) > before && rows.rowCount() == 1;
            };
            bool shown = false;
            main->searchRecords(device, kRecordingDay);
            const bool ended = QTest::qWaitFor(
                [&] {
                    shown = shown || searching.animationVisible();
                    return found() || main->ui.messages.size() > messages ||
                           (shown && !searching.animationVisible());
                },
                kWaitMs);
            if (!ended) return false;
            if (found()) return rows.row(0).fileName() == test::NameOf(kRecording);
        }
        return false;
    }

    FlowEnd play(int device) {
        freshGrid();
        if (!listed1(device)) return {QStringLiteral("(the search found nothing)"), false, 0, {}};
        const std::size_t before = main->ui.messages.size();
        const qint64 painted = window().picturesPainted();
        QElapsedTimer clock;
        clock.start();
        Q_EMIT main->form().fileList().playRequested(test::NameOf(kRecording));
        const bool ended = QTest::qWaitFor([&] { return window().state() == ViewState::Idle; }, kWaitMs);
        FlowEnd end{window().statusText(), false, clock.elapsed(), {}, ended};
        if (const QString message = newMessage(before); !message.isEmpty()) end.text = message;
        end.succeeded = end.text.isEmpty() && window().picturesPainted() > painted + 10;
        end.detail = QStringLiteral("%1 pictures").arg(window().picturesPainted() - painted);
        return end;
    }

    FlowEnd download(int device, int row) {
        if (!listed1(device)) return {QStringLiteral("(the search found nothing)"), false, 0, {}};
        const std::size_t before = main->ui.messages.size();
        const QString target = drive.path() + QStringLiteral("row%1.264").arg(row);
        QElapsedTimer clock;
        clock.start();
        if (!main->requestDownload(test::NameOf(kRecording), target))
            return {QStringLiteral("(no dialog)"), false, 0, {}};
        const bool ended = QTest::qWaitFor(
            [&] { return main->downloadComplete() || !main->form().downloadDialog(); }, kWaitMs);
        FlowEnd end{newMessage(before), main->downloadComplete(), clock.elapsed(), {}, ended};
        const QFileInfo avi(QString::fromStdString(AviPathFor(target.toStdString())));
        end.succeeded = end.succeeded && avi.size() > 0;
        end.detail = end.succeeded ? QStringLiteral("saved") : QStringLiteral("nothing saved");
        if (TFormDownLoad* dialog = main->form().downloadDialog()) dialog->close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !main->form().downloadDialog(); }, 5000))
            << "the dialog closes";
        return end;
    }

    FlowEnd ptz(int device) {
        const QStringList recordsOf{QStringLiteral("ptz device=%1 ").arg(nameOf(device))};
        const int recordsBefore = test::CountLogLines(devsim, recordsOf);
        FlowEnd opened = verify(device);
        main->form().notebook().setCurrentPage(kPtzPage);
        QElapsedTimer clock;
        clock.start();
        main->pressAndRelease("BtnLeft");
        const bool ended = QTest::qWaitFor([&] { return main->form().ptz().idle(); }, kWaitMs);
        FlowEnd end{window().statusText(), false, clock.elapsed(), {}, ended};
        if (!opened.succeeded) {
            end.text = opened.text;
            // Nothing to steer: no record may reach the device.
            end.detail = QStringLiteral("nothing sent");
            end.succeeded = false;
            EXPECT_EQ(test::CountLogLines(devsim, recordsOf), recordsBefore);
            return end;
        }
        const bool bothArrived = test::WaitForLogLines(devsim, recordsOf, recordsBefore + 2, 5000);
        const int arrived = test::CountLogLines(devsim, recordsOf) - recordsBefore;
        end.succeeded = bothArrived && arrived == 2;
        end.detail = QStringLiteral("%1 of 2 records arrived").arg(arrived);
        return end;
    }

    FlowEnd discover() {
        main->form().deviceCommands().BtnAddServerClick();
        TServerInfoFrm* editor = main->form().deviceCommands().editor();
        if (!editor) return {QStringLiteral("(no editor)"), false, 0, {}};
        TLanSearchPage& page = *editor->Dev_Find_Tab;
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(page.FindBtn, Qt::LeftButton);
        const bool ended = QTest::qWaitFor([&] { return !page.searching(); }, kWaitMs);
        FlowEnd end{page.SearchStatus->text(), page.list().rowCount() == 1, clock.elapsed(), {}, ended};
        end.detail = QStringLiteral("%1 listed").arg(page.list().rowCount());
        QTest::mouseClick(page.AutoFindNoBtn, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return end;
    }

    FlowEnd run(Flow flow, int device, int row) {
        switch (flow) {
            case Flow::Verification: return verify(device);
            case Flow::LiveView: return live(device);
            case Flow::RecordSearch: return search(device);
            case Flow::Playback: return play(device);
            case Flow::Download: return download(device, row);
            case Flow::Ptz: return ptz(device);
            case Flow::Discovery: return discover();
        }
        return {};
    }

    // What the operator asked for, done by the healthy device: the flows above but for the live
    // view (pictures that keep coming instead of a restart) and the search (its row listed, whatever
    // the busy indicator does).
    FlowEnd runHealthy(Flow flow, int device, int row) {
        switch (flow) {
            case Flow::LiveView: {
                FlowEnd end = verify(device);
                const qint64 painted = window().picturesPainted();
                end.succeeded = end.succeeded &&
                                QTest::qWaitFor([&] { return window().picturesPainted() > painted + 10; },
                                                10000);
                return end;
            }
            case Flow::RecordSearch:
                return {QString(), listed1(device), 0, {}};
            case Flow::Download:
                return download(device, 1000 + row);
            default:
                return run(flow, device, row);
        }
    }

    // The healthy device answers probes from now on (devsim reloads its identities).
    void letHealthyAnswerProbes() {
        const QByteArray config = test::ReadWholeFile(devsim.filePath(QStringLiteral("devsim.ini")));
        ASSERT_TRUE(devsim.writeFile(QStringLiteral("devsim.ini"),
                                     QByteArray(config).replace("[Device Healthy]\n",
                                                                "[Device Healthy]\nDeviceId=22334455\n")));
        ASSERT_EQ(::kill(devsim.pid(), SIGUSR1), 0);
        // Not a bound of the client's: room for devsim's reload under a sanitizer's slowdown.
        ASSERT_TRUE(devsim.waitForLogLine({QStringLiteral("discovery-reloaded")}, 30s));
    }

    static constexpr int kWaitMs = 60000;
    static constexpr int kSearchAttempts = 3;
    static constexpr int kPtzPage = 3;

    devsim::DevsimProcess devsim;
    std::vector<test::ListedDevice> listed;
    test::TempDir drive;
    std::unique_ptr<test::LiveMainWindow> main;
    QString listFile;
    QByteArray listBytes;
};

TEST_F(FaultMatrixE2ETest, EveryFlowEndsInTimeWithItsTextAndLeavesTheWindowUsable) {
    const int healthy = treeIndex(kHealthy);
    int n = 0;
    for (const MatrixRow& row : Rows()) {
        ++n;
        const QString fault = row.flow == Flow::Discovery ? QStringLiteral("no answer")
                              : row.knobs == kNotServed ? QStringLiteral("closed port")
                              : row.password != std::string("admin")
                                  ? QStringLiteral("wrong password")
                                  : QString(row.knobs).replace(QLatin1Char('\n'), QLatin1Char(' '));
        SCOPED_TRACE(QStringLiteral("%1 | %2 (%3)").arg(QLatin1String(FlowName(row.flow)), fault,
                                                        QLatin1String(row.device))
                         .toStdString());
        // Every case logs in as after a fresh start, whatever the cases before it left cached.
        const int device = treeIndex(QLatin1String(row.device));
        record(device).rights = 0;
        const FlowEnd end = run(row.flow, device, n);
        std::cout << FlowName(row.flow) << " | " << fault.toStdString() << " | ended in " << end.elapsedMs
                  << " ms (bound " << row.boundMs << " ms) | \"" << end.text.toStdString() << "\""
                  << (end.detail.isEmpty() ? "" : ", ") << end.detail.toStdString() << std::endl;
        EXPECT_TRUE(end.ended) << "it did not end";
        EXPECT_LE(end.elapsedMs, row.boundMs);
        EXPECT_TRUE(row.texts.contains(end.text)) << end.text.toStdString();
        EXPECT_EQ(test::ReadWholeFile(listFile), listBytes) << "the device list file changed";

        // The same flow against the healthy device, in the same window.
        if (row.flow == Flow::Discovery) letHealthyAnswerProbes();
        record(healthy).rights = 0;
        const FlowEnd healthyEnd = runHealthy(row.flow, healthy, n);
        EXPECT_TRUE(healthyEnd.succeeded)
            << "afterwards the healthy device: \"" << healthyEnd.text.toStdString() << "\" "
            << healthyEnd.detail.toStdString();
        EXPECT_EQ(test::ReadWholeFile(listFile), listBytes) << "the device list file changed";
    }
    // What the devices saw, for a failure's diagnosis.
    if (HasFailure())
        for (const QString& line : devsim.logLines())
            if (!line.startsWith(QLatin1String("recording "))) std::cout << line.toStdString() << '\n';
    main->destroyWindow();
    EXPECT_EQ(test::ReadWholeFile(listFile), listBytes) << "the device list file changed when it was saved";
}

}  // namespace
}  // namespace strovik
