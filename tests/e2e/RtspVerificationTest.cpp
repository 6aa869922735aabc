// The verification of a plain RTSP camera through the device TCP client library, against
// GStreamer's RTSP server with Basic and with Digest authentication, and against servers that
// misbehave.
#include "RtspServerProcess.h"
#include "devicelibs/cameras/NetworkCameras.h"
#include "devicelibs/tcpclient/TcpClientFactory.h"
#include "devicelibs/tcpclient/VerifyError.h"
#include "e2e/MisbehavingRtspServers.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

namespace strovik {
namespace {

using namespace std::chrono_literals;

constexpr std::uint16_t kCameraPort = 554;
constexpr std::int32_t kVerificationPort = kCameraPort + 2000;
constexpr std::int32_t kOneChannelFullRights = 158;
constexpr std::int32_t kWrongPassword = 1;

TEST(RtspVerificationTest, TheDescribeAnswerMapsOntoTheVerificationAnswer) {
    // The same camera behind Basic and behind Digest authentication.
    devsim::RtspServerProcess basic;
    devsim::RtspServerProcess digest;
    devsim::RtspServerProcess::Setup setup;
    setup.userName = "op";
    setup.password = "p@ss:1";
    ASSERT_TRUE(basic.start(setup)) << basic.errorString().toStdString();
    setup.digest = true;
    ASSERT_TRUE(digest.start(setup)) << digest.errorString().toStdString();

    const auto mute = test::MuteRtspServer();
    const auto garbage = test::GarbageRtspServer("<html>not an RTSP server</html>");

    auto cameras = std::make_shared<NetworkCameras>();
    const auto list = [&](const std::string& host, const std::string& mainUrl) {
        NetworkCamera camera;
        camera.protocol = CameraProtocol::Rtsp;
        if (!mainUrl.empty()) camera.channels = {{mainUrl, {}}};
        cameras->Put(host, kCameraPort, camera);
    };
    list("127.0.0.21", basic.url());
    list("127.0.0.22", digest.url());
    list("127.0.0.23", basic.url("/none"));
    list("127.0.0.24", "rtsp://127.0.0.1:" + std::to_string(mute->port()) + "/cam");
    list("127.0.0.25", "rtsp://127.0.0.1:" + std::to_string(garbage->port()) + "/cam");
    list("127.0.0.26", "rtsp://127.0.0.2:" + std::to_string(basic.port()) + "/cam");
    list("127.0.0.27", "");

    TcpClientOptions options;
    options.connectTimeout = 500ms;
    options.answerTimeout = 700ms;
    const auto library = CreateTcpClientLibrary(options, cameras);
    const struct {
        const char* what;
        std::string host;
        std::string password;
        std::int32_t expected;
    } cases[] = {
        {"Basic, right password", "127.0.0.21", "p@ss:1", kOneChannelFullRights},
        {"Basic, wrong password", "127.0.0.21", "p@ss", kWrongPassword},
        {"Digest, right password", "127.0.0.22", "p@ss:1", kOneChannelFullRights},
        {"Digest, wrong password", "127.0.0.22", "guess", kWrongPassword},
        {"no such stream", "127.0.0.23", "p@ss:1", VerifyError::Refused},
        {"DESCRIBE never answered", "127.0.0.24", "p@ss:1", VerifyError::NoAnswer},
        {"garbage for an answer", "127.0.0.25", "p@ss:1", VerifyError::ProtocolError},
        {"nothing listening", "127.0.0.26", "p@ss:1", VerifyError::ConnectFailed},
        {"no stream address in the record", "127.0.0.27", "p@ss:1", VerifyError::BadHost},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(library->NV_VerifyUser({"op", c.password, c.host, kVerificationPort}), c.expected);
        EXPECT_LT(timer.elapsed(), 1500) << "bounded by the connect and answer timeouts";
    }
}

}  // namespace
}  // namespace strovik
