// The real device TCP client and discovery libraries against devsim's ONVIF cameras on loopback,
// and against scripted HTTP peers for the answers devsim will not give.
#include "DevsimProcess.h"
#include "LinkTestSupport.h"
#include "SessionListener.h"
#include "devicelibs/cameras/NetworkCameras.h"
#include "devicelibs/discovery/DiscoveryFactory.h"
#include "devicelibs/tcpclient/VerifyError.h"
#include "devicelibs/wire/DeviceInfoRecords.h"
#include "devicelibs/wire/PtzCommand.h"
#include "devicelibs/wire/SearchRequest.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

namespace strovik::test {
namespace {

using devsim::DevsimProcess;

constexpr std::uint16_t kCameraPort = 8080;
constexpr std::int32_t kPtzPortBase = 200000;

QString OnvifCameraSection(const DevsimProcess& devsim, int n, const QString& extra = {}) {
    return DeviceSection(QStringLiteral("onvif%1").arg(n), devsim.address(n),
                         QStringLiteral("Protocol=onvif\nPort=%1\nChannels=2\nUser1=admin\nPassword1=secret\n"
                                        "User2=viewer\nPassword2=low\nRights2=8\n"
                                        "MainStreamUrl=rtsp://%2:8554/cam{channel}\n"
                                        "SubStreamUrl=rtsp://%2:8554/cam{channel}/sub\n%3")
                             .arg(kCameraPort)
                             .arg(QString::fromStdString(devsim.address(9)), extra));
}

class OnvifE2E : public ::testing::Test {
protected:
    void SetUp() override {
        // The second camera claims an address it cannot be reached at, as one behind a router does.
        ASSERT_TRUE(devsim.start(OnvifCameraSection(devsim, 2) +
                                 OnvifCameraSection(devsim, 3, "OnvifPtz=no\nDiscoveryIp=10.9.8.7\n")))
            << devsim.errorString().toStdString();
        for (int n : {2, 3}) cameras->Put(devsim.address(n), kCameraPort, NetworkCamera{CameraProtocol::Onvif, false, {}});
        library = CreateTcpClientLibrary(FastOptions(), cameras);
        library->NV_SetTCPClientCustomReciveCallback(received.callback());
    }

    std::int32_t verify(int n, const std::string& user, const std::string& password) {
        return library->NV_VerifyUser(VerifyUserRequest{user, password, devsim.address(n), kCameraPort + 2000});
    }

    std::int32_t openPtzSession(int n) {
        return library->NV_ConnectTCPServer(TcpServerAddress{devsim.address(n), kCameraPort - 10 + kPtzPortBase});
    }

    void pressAndRelease(std::int32_t session, std::uint8_t press, std::uint8_t release) {
        for (const std::uint8_t code : {press, release}) {
            const auto bytes = RecordBytes(BuildPtzCommand(PtzCommandFields{
                PtzGroup::MultiChannel, 4, 0, code, 1, 0, "admin", "secret"}));
            EXPECT_EQ(library->NV_ClientSendBuf(session, bytes.data(), 128, 0), 128) << int(code);
        }
    }

    DevsimProcess devsim;
    ReceivedMessages received;  // outlives the library, whose threads call into it
    std::shared_ptr<NetworkCameras> cameras = std::make_shared<NetworkCameras>();
    std::shared_ptr<TcpClientLibrary> library;
};

TEST_F(OnvifE2E, VerificationGivesFullRightsPerVideoSourceAndWritesTheStreamAddresses) {
    EXPECT_EQ(verify(2, "admin", "secret"), 2 * 100 + 58);
    const auto camera = cameras->Find(devsim.address(2), kCameraPort);
    ASSERT_TRUE(camera);
    ASSERT_EQ(camera->channels.size(), 2u);
    const std::string server = "rtsp://" + devsim.address(9) + ":8554/cam";
    EXPECT_EQ(camera->channels[0].mainUrl, server + "1");
    EXPECT_EQ(camera->channels[0].subUrl, server + "1/sub");
    EXPECT_EQ(StreamUrlOf(*camera, 1), server + "2");
    EXPECT_EQ(StreamUrlOf(*camera, 3), server + "2/sub");
    EXPECT_TRUE(devsim.waitForLogLine({"onvif", "call=GetStreamUri", "outcome=ok"}, 2s));
}

TEST(OnvifClockE2E, ACameraWhoseClockIsWrongIsLoggedInWithItsOwnTimeAndKeepsItForPtz) {
    DevsimProcess devsim;
    ASSERT_TRUE(devsim.start(OnvifCameraSection(devsim, 2, "ClockOffsetS=-7200\n")))
        << devsim.errorString().toStdString();
    auto cameras = std::make_shared<NetworkCameras>();
    cameras->Put(devsim.address(2), kCameraPort, NetworkCamera{CameraProtocol::Onvif, false, {}});
    const auto library = CreateTcpClientLibrary(FastOptions(), cameras);
    EXPECT_EQ(library->NV_VerifyUser(VerifyUserRequest{"admin", "secret", devsim.address(2), kCameraPort + 2000}),
              258);
    EXPECT_TRUE(devsim.waitForLogLine({"call=GetSystemDateAndTime"}, 2s));
    // Still refused with a wrong password, whatever the clock.
    EXPECT_EQ(library->NV_VerifyUser(VerifyUserRequest{"admin", "wrong", devsim.address(2), kCameraPort + 2000}), 1);
    const std::int32_t session =
        library->NV_ConnectTCPServer(TcpServerAddress{devsim.address(2), kCameraPort - 10 + kPtzPortBase});
    ASSERT_GT(session, 0);
    const auto left = RecordBytes(BuildPtzCommand(PtzCommandFields{PtzGroup::MultiChannel, 4, 0, 103, 1, 0, {}, {}}));
    EXPECT_EQ(library->NV_ClientSendBuf(session, left.data(), 128, 0), 128);
    EXPECT_TRUE(devsim.waitForLogLine({"onvif-ptz", "call=ContinuousMove", "pan=-0.500"}, 2s));
}

TEST_F(OnvifE2E, RefusedLoginsAnswerWrongUserNameOrPasswordAndLeaveTheAddressesUnknown) {
    // Wrong password, unknown user and a user below the verified rights: the camera refuses all three.
    for (const auto& [user, password] : {std::pair{"admin", "wrong"}, {"nobody", "secret"}, {"viewer", "low"}}) {
        SCOPED_TRACE(user);
        EXPECT_EQ(verify(2, user, password), 1);
    }
    EXPECT_TRUE(cameras->Find(devsim.address(2), kCameraPort)->channels.empty());
    EXPECT_TRUE(devsim.waitForLogLine({"onvif", "call=GetDeviceInformation", "outcome=not-authorized"}, 2s));
}

TEST_F(OnvifE2E, PtzPressesArriveAsContinuousMoveAndReleasesAsStop) {
    ASSERT_GT(verify(2, "admin", "secret"), 100);
    const std::int32_t session = openPtzSession(2);
    ASSERT_GT(session, 0);
    struct Case {
        std::uint8_t press, release;
        QStringList move, stop;
    };
    const Case cases[] = {
        {103, 107, {"pan=-0.500", "tilt=0.000", "zoom=0.000"}, {"pantilt=true", "zoom=false"}},
        {104, 108, {"pan=0.500", "tilt=0.000"}, {"pantilt=true"}},
        {101, 105, {"pan=0.000", "tilt=0.500"}, {"pantilt=true"}},
        {102, 106, {"tilt=-0.500"}, {"pantilt=true"}},
        {112, 122, {"pan=0.000", "zoom=0.500"}, {"pantilt=false", "zoom=true"}},
        {111, 121, {"zoom=-0.500"}, {"zoom=true"}},
    };
    for (const Case& step : cases) {
        SCOPED_TRACE(int(step.press));
        const qsizetype before = devsim.logLines().size();
        pressAndRelease(session, step.press, step.release);
        const QStringList lines = devsim.logLines().mid(before).filter(QStringLiteral("onvif-ptz"));
        ASSERT_EQ(lines.size(), 2);
        for (const QString& needle : QStringList{"call=ContinuousMove", "profile=main_1"} + step.move)
            EXPECT_TRUE(lines[0].contains(needle)) << lines[0].toStdString() << " lacks " << needle.toStdString();
        for (const QString& needle : QStringList{"call=Stop", "profile=main_1"} + step.stop)
            EXPECT_TRUE(lines[1].contains(needle)) << lines[1].toStdString() << " lacks " << needle.toStdString();
    }
    // Focus goes through the imaging service; iris has no counterpart and sends nothing.
    const qsizetype before = devsim.logLines().size();
    pressAndRelease(session, 114, 124);
    pressAndRelease(session, 115, 125);
    const QStringList lines = devsim.logLines().mid(before).filter(QStringLiteral("onvif-ptz"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains("call=FocusMove") && lines[0].contains("source=source_1") &&
                lines[0].contains("speed=0.500"))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains("call=FocusStop")) << lines[1].toStdString();
    library->NV_DisConnectTCPServer(session);
}

TEST_F(OnvifE2E, PtzWithoutAnEarlierVerificationReadsTheCameraWithTheCommandsCredentials) {
    const std::int32_t session = openPtzSession(2);
    ASSERT_GT(session, 0);
    // From a thread of its own, as the program's PTZ link sends.
    std::thread([&] { pressAndRelease(session, 104, 108); }).join();
    EXPECT_TRUE(devsim.waitForLogLine({"onvif-ptz", "call=ContinuousMove", "pan=0.500"}, 2s));
}

TEST_F(OnvifE2E, ACameraThatDropsOffAndComesBackIsReachedAgain) {
    ASSERT_GT(verify(2, "admin", "secret"), 100);
    const std::int32_t session = openPtzSession(2);
    ASSERT_GT(session, 0);
    ASSERT_EQ(devsim.stop(), 0);
    // Gone: the send fails, so that the program's PTZ link opens a new session for the next command.
    const auto left = RecordBytes(BuildPtzCommand(PtzCommandFields{PtzGroup::MultiChannel, 4, 0, 103, 1, 0, {}, {}}));
    EXPECT_EQ(library->NV_ClientSendBuf(session, left.data(), 128, 0), -1);
    EXPECT_EQ(verify(2, "admin", "secret"), VerifyError::ConnectFailed);
    library->NV_DisConnectTCPServer(session);

    ASSERT_TRUE(devsim.start(OnvifCameraSection(devsim, 2))) << devsim.errorString().toStdString();
    EXPECT_EQ(verify(2, "admin", "secret"), 258);
    const std::int32_t again = openPtzSession(2);
    ASSERT_GT(again, 0);
    EXPECT_EQ(library->NV_ClientSendBuf(again, left.data(), 128, 0), 128);
    EXPECT_TRUE(devsim.waitForLogLine({"onvif-ptz", "call=ContinuousMove", "pan=-0.500"}, 2s));
}

TEST_F(OnvifE2E, PtzButtonsOfACameraWithoutPtzDoNothing) {
    ASSERT_GT(verify(3, "admin", "secret"), 100);
    const std::int32_t session = openPtzSession(3);
    ASSERT_GT(session, 0);
    pressAndRelease(session, 103, 107);
    EXPECT_TRUE(devsim.logLines().filter(QStringLiteral("onvif-ptz")).isEmpty());
}

TEST_F(OnvifE2E, RecordSearchOfACameraOfAnotherMakeAnswersAnEmptyList) {
    const std::int32_t connection =
        library->NV_ConnectTCPServer(TcpServerAddress{devsim.address(2), kCameraPort + 2000});
    ASSERT_GT(connection, 0);
    SearchRequest request;
    request.channel = 1;
    EXPECT_TRUE(SearchRecordings(*library, connection, received, request).empty());
    // Twice on the same connection, as the program searches again.
    EXPECT_TRUE(SearchRecordings(*library, connection, received, request).empty());
    // The device-information query lets the search go ahead on every channel.
    const DeviceInfoRequest query = BuildDeviceInfoRequest("admin", "secret");
    ASSERT_EQ(library->NV_ClientSendBuf(connection, reinterpret_cast<const std::uint8_t*>(&query), sizeof query, 0),
              static_cast<std::int32_t>(sizeof query));
    const auto replyIn = [](const std::vector<ReceivedMessages::Message>& messages) {
        return messages.empty() ? std::nullopt
                                : ParseDeviceInfoReply(messages.back().bytes.data(), messages.back().bytes.size());
    };
    ASSERT_TRUE(received.waitFor([&](const auto& messages) { return replyIn(messages).has_value(); }, 2s));
    const auto reply = replyIn(received.all());
    EXPECT_EQ(reply->version.major, 0);
    EXPECT_EQ(reply->channelRights[0], 1);
    library->NV_DisConnectTCPServer(connection);
    EXPECT_EQ(library->NV_ClientSendBuf(connection, reinterpret_cast<const std::uint8_t*>(&request),
                                        sizeof request, 0),
              -1);
}

TEST_F(OnvifE2E, WsDiscoveryOnLoopbackFindsTheCamerasWhereTheyAnswerFrom) {
    DiscoveryOptions options;
    options.probeAddress = devsim.address(1);
    options.probePort = DevsimProcess::kDiscoveryPort;
    options.listenTime = 700ms;
    const auto discovery = CreateDiscoveryLibrary(options);
    std::mutex mutex;
    std::condition_variable done;
    std::vector<IpcSearchRecord> found;
    bool finished = false;
    discovery->SetIPCSearchCallBack([&](const IpcSearchRecord* record, std::int32_t code) {
        std::lock_guard lock(mutex);
        if (code == SearchDone) finished = true;
        else if (record) found.push_back(*record);
        done.notify_all();
    });
    discovery->StartIPCSearch();
    std::unique_lock lock(mutex);
    ASSERT_TRUE(done.wait_for(lock, 5s, [&] { return finished; }));
    ASSERT_EQ(found.size(), 2u);
    std::set<std::string> addresses;
    for (const IpcSearchRecord& camera : found) {
        addresses.insert(camera.ipText.str());
        EXPECT_EQ(camera.videoPort, kCameraPort);
        EXPECT_TRUE(camera.macText.str().starts_with("urn:uuid:")) << camera.macText.str();
    }
    EXPECT_EQ(addresses, (std::set<std::string>{devsim.address(2), devsim.address(3)}));
}

// A peer that answers every request with the same bytes (or with nothing, holding the connection).
class ScriptedCamera {
public:
    ScriptedCamera(const std::string& address, QByteArray answer)
        : listener_(
              [answer](TcpSocket& socket, std::stop_token stop) {
                  char buffer[4096];
                  std::size_t got = 0;
                  if (socket.receiveSome(buffer, sizeof buffer, &got, 2s) != TcpSocket::Status::Ok) return;
                  if (!answer.isEmpty()) socket.sendAll(answer.constData(), static_cast<std::size_t>(answer.size()), 2s);
                  // Hold the connection until the client leaves or the test ends.
                  while (!stop.stop_requested() &&
                         socket.receiveSome(buffer, sizeof buffer, &got, 100ms) != TcpSocket::Status::Closed) {
                  }
              },
              address, kCameraPort) {}

private:
    SessionListener listener_;
};

QByteArray HttpAnswer(const QByteArray& status, const QByteArray& body) {
    return "HTTP/1.1 " + status + "\r\nContent-Type: application/soap+xml\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

TEST(OnvifBadAnswersE2E, EachBadAnswerGivesItsVerificationErrorWithinTheBounds) {
    DevsimProcess addresses;  // its loopback addresses only
    const QByteArray envelope = "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body>";
    struct Case {
        const char* what;
        QByteArray answer;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"not HTTP", "SSH-2.0-OpenSSH\r\n\r\n", VerifyError::ProtocolError},
        {"not XML", HttpAnswer("200 OK", "{\"json\": true}"), VerifyError::ProtocolError},
        {"huge", "HTTP/1.1 200 OK\r\nContent-Length: 900000000\r\n\r\n<s:Envelope", VerifyError::ProtocolError},
        {"entity bomb",
         HttpAnswer("200 OK", "<!DOCTYPE s [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>" + envelope +
                                  "&b;</s:Body></s:Envelope>"),
         VerifyError::ProtocolError},
        {"missing elements", HttpAnswer("200 OK", envelope + "<GetDeviceInformationResponse/></s:Body></s:Envelope>"),
         VerifyError::ProtocolError},
        {"SOAP fault", HttpAnswer("500 Internal", envelope + "<s:Fault><s:Code><s:Value>s:Receiver</s:Value>"
                                                             "</s:Code></s:Fault></s:Body></s:Envelope>"),
         VerifyError::ProtocolError},
        {"HTTP 401", HttpAnswer("401 Unauthorized", ""), 1},
        {"half an answer then silence", "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n<s:Env", VerifyError::NoAnswer},
        {"silence", "", VerifyError::NoAnswer},
    };
    int n = 2;
    for (const Case& step : cases) {
        SCOPED_TRACE(step.what);
        const std::string address = addresses.address(n++);
        ScriptedCamera camera(address, step.answer);
        auto directory = std::make_shared<NetworkCameras>();
        directory->Put(address, kCameraPort, NetworkCamera{CameraProtocol::Onvif, false, {}});
        const auto library = CreateTcpClientLibrary(FastOptions(), directory);
        const auto began = std::chrono::steady_clock::now();
        EXPECT_EQ(library->NV_VerifyUser(VerifyUserRequest{"admin", "secret", address, kCameraPort + 2000}),
                  step.expected);
        // FastOptions: 2 s to connect, 1 s per answer.
        EXPECT_LT(std::chrono::steady_clock::now() - began, 4s);
    }
    // Nobody listening at all.
    auto directory = std::make_shared<NetworkCameras>();
    directory->Put(addresses.address(n), kCameraPort, NetworkCamera{CameraProtocol::Onvif, false, {}});
    EXPECT_EQ(CreateTcpClientLibrary(FastOptions(), directory)
                  ->NV_VerifyUser(VerifyUserRequest{"admin", "secret", addresses.address(n), kCameraPort + 2000}),
              VerifyError::ConnectFailed);
}

}  // namespace
}  // namespace strovik::test
