// The PTZ page with the library doubles: each button's start and stop codes as records on the
// library's PTZ session, the group of one-channel devices, the path each firmware takes, the
// rights message, the connection closed for another device, and the order of presses and releases
// while a connection is slow to open.
#include "app/PtzPage.h"
#include "app/StrovikForm.h"
#include "app/ToolNotebook.h"
#include "devicelibs/doubles/RecordingStreamPlayerLibrary.h"
#include "devicelibs/doubles/RecordingTcpClientLibrary.h"
#include "devicelibs/doubles/RecordingVideoClientLibrary.h"
#include "devicelibs/wire/WireRecord.h"
#include "devices/DeviceListFile.h"
#include "doubles/ScriptedUiServices.h"
#include "doubles/WindowServices.h"
#include "liveview/MyView.h"
#include "liveview/PtzControl.h"
#include "liveview/PtzLink.h"
#include "liveview/ViewForm.h"
#include "platform/AudioMixer.h"
#include "platform/TcpSocket.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QToolButton>

#include <condition_variable>
#include <mutex>

namespace strovik {
namespace {

using namespace std::chrono_literals;

constexpr int kDeadlineMs = 5000;
constexpr int kPtzPage = 3;

// The TCP client double, with NV_ConnectTCPServer held until the test opens the gate.
class GatedTcpClient final : public TcpClientLibrary {
public:
    RecordingTcpClientLibrary recorded;

    void closeGate() {
        std::lock_guard lock(mutex_);
        open_ = false;
    }
    void openGate() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    int waitingConnects() const {
        std::lock_guard lock(mutex_);
        return waiting_;
    }

    void NV_SetTCPClientReciveCallback(TcpReceiveCallback callback) override {
        recorded.NV_SetTCPClientReciveCallback(std::move(callback));
    }
    void NV_SetTCPClientCustomReciveCallback(TcpReceiveCallback callback) override {
        recorded.NV_SetTCPClientCustomReciveCallback(std::move(callback));
    }
    std::int32_t NV_VerifyUser(const VerifyUserRequest& request) override {
        return recorded.NV_VerifyUser(request);
    }
    std::int32_t NV_ConnectTCPServer(const TcpServerAddress& server) override {
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.wait_for(lock, 10s, [this] { return open_; });
        --waiting_;
        lock.unlock();
        return recorded.NV_ConnectTCPServer(server);
    }
    std::int32_t NV_ClientSendBuf(std::int32_t handle, const std::uint8_t* buffer, std::int32_t length,
                                  std::int32_t flags) override {
        return recorded.NV_ClientSendBuf(handle, buffer, length, flags);
    }
    void NV_DisConnectTCPServer(std::int32_t handle) override { recorded.NV_DisConnectTCPServer(handle); }
    std::int32_t NV_GetRemoteFile(const RemoteFileRequest& request) override {
        return recorded.NV_GetRemoteFile(request);
    }
    std::int32_t NV_StopGetRemoteFile(std::int32_t handle) override {
        return recorded.NV_StopGetRemoteFile(handle);
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = true;
    int waiting_ = 0;
};

// A device of the list as the tests set it up after its verification.
struct PtzDevice {
    const char* name;
    const char* address;
    int channels;
    std::int8_t rights;
    DeviceVersion version;
};

std::vector<std::uint8_t> codesOf(const std::vector<RecordingTcpClientLibrary::Send>& sends) {
    std::vector<std::uint8_t> codes;
    for (const auto& send : sends) codes.push_back(send.bytes.size() == 128 ? send.bytes[3] : 0);
    return codes;
}

class PtzTest : public ::testing::Test {
protected:
    void start(const std::vector<PtzDevice>& devices) {
        QDir().mkpath(appDir);
        QByteArray list;
        for (const PtzDevice& d : devices)
            list += QStringLiteral(
                        "[%1]\nAddr=%2\nPort=5050\nChnCount=%3\nNetType=1\nServerType=2\nDeviceType=1\n"
                        "User=admin\nPwd=secret\nAutoSearch=0\n")
                        .arg(QLatin1String(d.name), QLatin1String(d.address))
                        .arg(d.channels)
                        .toUtf8();
        dir.write(QStringLiteral("app/") + QLatin1String(kDeviceListFileName), list);

        form = std::make_unique<TStrovikForm>(test::WindowServices(
            dir, appDir, ui,
            {tcp, nullptr, std::make_shared<RecordingVideoClientLibrary>(),
             std::make_shared<RecordingStreamPlayerLibrary>(), nullptr}));
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->resize(1024, 768);
        form->grid().Timer1().stop();
        form->notebook().setCurrentPage(kPtzPage);

        // What the verification and the device-information reply leave on the records.
        const auto& records = form->state().tree.devices();
        ASSERT_EQ(records.size(), devices.size());
        for (std::size_t i = 0; i < devices.size(); ++i) {
            records[i]->rights = devices[i].rights;
            records[i]->deviceVersion = devices[i].version;
        }
    }

    // Opens channel `channelNo` (1-based) of device `device` live in grid window `window` (0-based)
    // and selects it, as a channel opening does.
    void openLive(std::size_t device, int window, std::uint16_t channelNo = 1,
                  std::uint16_t streamPort = 6789) {
        const DeviceNode& record = *form->state().tree.devices()[device];
        ConnectionInfo connection = record.connection;
        connection.channelIndex = channelNo - 1;
        connection.deviceName.assign(record.name.view());
        StreamTarget stream;
        stream.channelAddress = connection.address;
        stream.streamPort = streamPort;
        stream.channelNo = channelNo;
        bool ended = false;
        form->grid().OpenStream(connection, stream, window + 1, -1, [&ended](std::int32_t) { ended = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, kDeadlineMs));
        ASSERT_EQ(form->grid().view(window)->state(), ViewState::Live);
        form->grid().SelectWindow(window);
    }

    QToolButton* button(const char* name) { return form->findChild<QToolButton*>(QLatin1String(name)); }
    void press(const char* name) { QTest::mousePress(button(name), Qt::LeftButton); }
    void release(const char* name) { QTest::mouseRelease(button(name), Qt::LeftButton); }
    bool waitForSends(std::size_t count) {
        return QTest::qWaitFor([&] { return tcp->recorded.sends().size() >= count && form->ptz().idle(); },
                               kDeadlineMs);
    }
    std::vector<std::uint8_t> sentCodes() const { return codesOf(tcp->recorded.sends()); }

    test::TempDir dir;
    QString appDir = dir.path() + QStringLiteral("app/");
    std::shared_ptr<GatedTcpClient> tcp = std::make_shared<GatedTcpClient>();
    test::ScriptedUiServices ui;
    std::unique_ptr<TStrovikForm> form;
};

TEST_F(PtzTest, EveryButtonSendsItsStartCodeOnPressAndItsStopCodeOnRelease) {
    start({{"Hall", "127.0.0.5", 4, 58, {9, 7, {}}}});
    openLive(0, 0, 3);
    const struct {
        const char* button;
        std::uint8_t press;
        std::uint8_t release;  // 0: none
    } cases[] = {
        {"BtnUp", 101, 105},        {"BtnDown", 102, 106},      {"BtnLeft", 103, 107},
        {"BtnRight", 104, 108},     {"BtnAuto", 200, 0},        {"BtnZoom1", 111, 121},
        {"BtnZoom2", 112, 122},     {"BtnFocus1", 113, 123},    {"BtnFocus2", 114, 124},
        {"BtnAperture1", 115, 125}, {"BtnAperture2", 116, 126}, {"BtnBrush1", 117, 0},
        {"BtnBrush2", 127, 0},
    };
    std::vector<std::uint8_t> expected;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        ASSERT_NE(button(c.button), nullptr);
        EXPECT_EQ(button(c.button)->property("ptzCode").toInt(), c.press);
        press(c.button);
        release(c.button);
        expected.push_back(c.press);
        if (c.release != 0) expected.push_back(c.release);
        ASSERT_TRUE(waitForSends(expected.size()));
        EXPECT_EQ(sentCodes(), expected);
    }

    // One library session on the device port - 10 + 200000 carried them all.
    const auto connects = tcp->recorded.connectRequests();
    ASSERT_EQ(connects.size(), 1u);
    EXPECT_EQ(connects[0].host, "127.0.0.5");
    EXPECT_EQ(connects[0].port, 5050 - 10 + 200000);
    EXPECT_EQ(form->state().ptzConnection, tcp->recorded.sends().front().handle);
    EXPECT_EQ(form->state().ptzHost, QStringLiteral("127.0.0.5"));

    PtzCommandFields fields;
    fields.group = PtzGroup::MultiChannel;
    fields.speed = 4;
    fields.code = 101;
    fields.channel = 3;
    fields.parameter = 10;
    fields.userName = "admin";
    fields.password = "secret";
    EXPECT_EQ(tcp->recorded.sends().front().bytes, RecordBytes(BuildPtzCommand(fields)));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PtzTest, RightsDecideWhetherAPressSendsOrShowsTheRightsMessage) {
    start({{"Search only", "127.0.0.5", 4, 50, {9, 7, {}}}, {"Ptz only", "127.0.0.6", 4, 42, {9, 7, {}}}});
    press("BtnLeft");  // no live window: nothing at all
    release("BtnLeft");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(form->state().ptzRights, -1);

    openLive(0, 0);
    press("BtnLeft");
    release("BtnLeft");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].request.caption, QStringLiteral("StrovikForm 2"));
    EXPECT_EQ(ui.messages[0].request.text, QStringLiteral("User priority is lower"));
    EXPECT_EQ(form->state().ptzRights, 50);

    openLive(1, 1);
    press("BtnLeft");
    release("BtnLeft");
    ASSERT_TRUE(waitForSends(2));
    EXPECT_EQ(sentCodes(), (std::vector<std::uint8_t>{103, 107}));
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(PtzTest, OneChannelDevicesGetGroup22) {
    start({{"Camera", "127.0.0.5", 1, 58, {8, 0, {}}}, {"Recorder", "127.0.0.6", 4, 58, {10, 0, {}}}});
    openLive(0, 0);
    press("BtnZoom2");
    release("BtnZoom2");
    ASSERT_TRUE(waitForSends(2));
    openLive(1, 1);
    press("BtnZoom2");
    ASSERT_TRUE(waitForSends(3));
    const auto sends = tcp->recorded.sends();
    EXPECT_EQ(sends[0].bytes[0], PtzGroup::SingleChannel);
    EXPECT_EQ(sends[1].bytes[0], PtzGroup::SingleChannel);
    EXPECT_EQ(sends[2].bytes[0], PtzGroup::MultiChannel);
    EXPECT_EQ(codesOf(sends), (std::vector<std::uint8_t>{112, 122, 112}));
}

// The firmware decides the path: library sessions from 9.7 on (10.0 too), without a version and
// for one-channel devices; older firmware sends raw records to the channel's stream port, or takes
// the older library session when it is reached through a vendor domain.
TEST_F(PtzTest, FirmwareChoosesTheLibrarySessionOrTheRawSocket) {
    TcpListener listener = TcpListener::listenOn("127.0.0.7", 0);
    ASSERT_TRUE(listener.valid());
    start({{"Ten", "127.0.0.5", 4, 58, {10, 0, {}}},
           {"None", "127.0.0.6", 4, 58, {0, 0, {}}},
           {"Old", "127.0.0.7", 4, 58, {9, 6, {}}},
           {"Vendor", "cam7.ddns.strovik.example", 4, 58, {9, 6, {}}}});
    openLive(0, 0);
    press("BtnUp");
    ASSERT_TRUE(waitForSends(1));
    openLive(1, 1);
    press("BtnUp");
    ASSERT_TRUE(waitForSends(2));
    openLive(3, 3);
    press("BtnUp");
    ASSERT_TRUE(waitForSends(3));
    const auto connects = tcp->recorded.connectRequests();
    ASSERT_EQ(connects.size(), 3u);
    EXPECT_EQ(connects[0].port, 205040);
    EXPECT_EQ(connects[1].host, "127.0.0.6");
    EXPECT_EQ(connects[1].port, 205040);
    EXPECT_EQ(connects[2].host, "cam7.ddns.strovik.example");
    EXPECT_EQ(connects[2].port, 105040);

    // The older firmware: two records back to back on the stream port, no library session.
    openLive(2, 2, 2, listener.port());
    press("BtnRight");
    release("BtnRight");
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->ptz().idle(); }, kDeadlineMs));
    TcpSocket peer = listener.accept(2s);
    ASSERT_TRUE(peer.valid());
    std::uint8_t records[256];
    ASSERT_EQ(peer.receiveExactly(records, sizeof records, 2s), TcpSocket::Status::Ok);
    EXPECT_EQ(records[3], 104);
    EXPECT_EQ(records[128 + 3], 108);
    EXPECT_EQ(records[4], 2);  // the window's channel
    EXPECT_EQ(tcp->recorded.connectRequests().size(), 3u);
    EXPECT_EQ(tcp->recorded.sends().size(), 3u);
}

TEST_F(PtzTest, ARawSocketThatDoesNotConnectDropsTheCommandAndTheNextOneStillGoes) {
    TcpListener listener = TcpListener::listenOn("127.0.0.7", 0);
    ASSERT_TRUE(listener.valid());
    const std::uint16_t port = listener.port();
    listener.close();  // nothing listens: refused
    start({{"Old", "127.0.0.7", 4, 58, {9, 6, {}}}});
    openLive(0, 0, 1, port);
    press("BtnLeft");
    release("BtnLeft");
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->ptz().idle(); }, 2 * kDeadlineMs));

    listener = TcpListener::listenOn("127.0.0.7", port);
    ASSERT_TRUE(listener.valid());
    press("BtnLeft");
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->ptz().idle(); }, kDeadlineMs));
    TcpSocket peer = listener.accept(2s);
    ASSERT_TRUE(peer.valid());
    std::uint8_t record[128];
    ASSERT_EQ(peer.receiveExactly(record, sizeof record, 2s), TcpSocket::Status::Ok);
    EXPECT_EQ(record[3], 103);
}

TEST_F(PtzTest, AnotherDevicesWindowClosesTheOpenConnectionBeforeTheNextCommand) {
    start({{"Hall", "127.0.0.5", 4, 58, {9, 7, {}}}, {"Gate", "127.0.0.6", 4, 58, {9, 7, {}}}});
    openLive(0, 0);
    openLive(1, 1, 2);
    form->grid().SelectWindow(0);
    press("BtnDown");
    release("BtnDown");
    ASSERT_TRUE(waitForSends(2));
    const std::int32_t first = tcp->recorded.sends().front().handle;

    form->grid().SelectWindow(1);
    press("BtnDown");
    ASSERT_TRUE(waitForSends(3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tcp->recorded.disconnects().empty(); }, kDeadlineMs));
    EXPECT_EQ(tcp->recorded.disconnects(), std::vector<std::int32_t>{first});
    const auto connects = tcp->recorded.connectRequests();
    ASSERT_EQ(connects.size(), 2u);
    EXPECT_EQ(connects[1].host, "127.0.0.6");
    const auto sends = tcp->recorded.sends();
    EXPECT_NE(sends[2].handle, first);
    EXPECT_EQ(sends[2].bytes[4], 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->state().ptzConnection == sends[2].handle; }, kDeadlineMs));
    EXPECT_EQ(form->state().ptzHost, QStringLiteral("127.0.0.6"));

    // A tree rebuild closes it too.
    form->ptz().CloseConnections();
    EXPECT_EQ(form->state().ptzConnection, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tcp->recorded.disconnects().size() == 2; }, kDeadlineMs));
}

// A connection that takes long to open holds neither the window nor the order: the presses and
// releases made meanwhile wait in the link's queue and go out in order once it opens.
TEST_F(PtzTest, PressesAndReleasesKeepTheirOrderWhileTheConnectionIsSlowToOpen) {
    start({{"Hall", "127.0.0.5", 4, 58, {9, 7, {}}}});
    openLive(0, 0);
    tcp->closeGate();
    QElapsedTimer clock;
    clock.start();
    press("BtnLeft");
    release("BtnLeft");
    press("BtnZoom1");
    release("BtnZoom1");
    EXPECT_LT(clock.elapsed(), 1000) << "a press waited for the connection";
    ASSERT_TRUE(QTest::qWaitFor([&] { return tcp->waitingConnects() == 1; }, kDeadlineMs));
    bool timerRan = false;
    QTimer::singleShot(10, form.get(), [&] { timerRan = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return timerRan; }, kDeadlineMs)) << "the window does not answer";
    EXPECT_TRUE(tcp->recorded.sends().empty());

    tcp->openGate();
    ASSERT_TRUE(waitForSends(4));
    EXPECT_EQ(sentCodes(), (std::vector<std::uint8_t>{103, 107, 111, 121}));
}

// The link's queue is bounded by its presses; releases are never dropped.
TEST(PtzLinkTest, ABlockedLinkDropsPressesBeyondItsBoundButNeverAReleaseAndFoldsRepeatedStops) {
    GatedTcpClient library;
    library.closeGate();
    PtzLink::Options options;
    options.connectPause = 0ms;
    options.maxWaitingPresses = 2;
    PtzTarget target;
    target.address = QStringLiteral("127.0.0.5");
    target.libraryPort = 205040;
    auto record = [](std::uint8_t code) {
        PtzCommandFields fields;
        fields.code = code;
        return BuildPtzCommand(fields);
    };
    std::vector<std::uint8_t> sent;
    {
        PtzLink link(target, library, options, {});
        ASSERT_TRUE(link.enqueue(record(101)));  // taken by the thread, which waits for the connection
        ASSERT_TRUE(QTest::qWaitFor([&] { return library.waitingConnects() == 1; }, kDeadlineMs));
        EXPECT_TRUE(link.enqueue(record(105)));
        EXPECT_TRUE(link.enqueue(record(102)));
        EXPECT_TRUE(link.enqueue(record(106)));
        EXPECT_TRUE(link.enqueue(record(103)));
        EXPECT_FALSE(link.enqueue(record(104)));  // a third waiting press: dropped
        EXPECT_TRUE(link.enqueue(record(108)));   // its release still goes
        EXPECT_TRUE(link.enqueue(record(108)));   // folded into the one waiting
        EXPECT_TRUE(link.enqueue(record(107)));
        library.openGate();
        ASSERT_TRUE(QTest::qWaitFor([&] { return link.idle(); }, kDeadlineMs));
        link.retire();
        ASSERT_TRUE(QTest::qWaitFor([&] { return link.finished(); }, kDeadlineMs));
    }
    EXPECT_EQ(codesOf(library.recorded.sends()),
              (std::vector<std::uint8_t>{101, 105, 102, 106, 103, 108, 107}));
    EXPECT_EQ(library.recorded.disconnects().size(), 1u);
}

}  // namespace
}  // namespace strovik
