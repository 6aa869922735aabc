// An ONVIF camera in the real main window with the real libraries: devsim plays the camera's
// services, GStreamer's RTSP server its streams. Opened from the tree, the camera is verified over
// ONVIF, its stream is the address that the media service gives, and the PTZ page's presses arrive
// at the camera as ContinuousMove and Stop; a wrong password gives the design's message.
#include "DevsimProcess.h"
#include "LinkTestSupport.h"
#include "RtspServerProcess.h"
#include "app/StrovikForm.h"
#include "app/ToolNotebook.h"
#include "e2e/LiveViewTestSupport.h"
#include "liveview/MyView.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QToolButton>

namespace strovik {
namespace {

constexpr std::uint16_t kServicePort = 8080;
constexpr int kPtzPage = 3;  // the tool notebook's fourth page

class OnvifLiveViewE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        devsim::RtspServerProcess::Setup setup;
        setup.paths = {"/cam1", "/cam1/sub"};
        setup.userName = "admin";
        setup.password = "secret";
        ASSERT_TRUE(server.start(setup)) << server.errorString().toStdString();
        const QString section = QStringLiteral(
                                    "Protocol=onvif\nPort=%1\nChannels=1\nUser1=admin\nPassword1=secret\nRights1=58\n"
                                    "MainStreamUrl=%2\nSubStreamUrl=%3\n")
                                    .arg(kServicePort)
                                    .arg(QString::fromStdString(server.url("/cam{channel}")),
                                         QString::fromStdString(server.url("/cam{channel}/sub")));
        ASSERT_TRUE(devsim.start(test::DeviceSection(QStringLiteral("lobby"), devsim.address(2), section)))
            << devsim.errorString().toStdString();
    }

    test::ListedDevice camera(const QString& password) const {
        return {QStringLiteral("Lobby"), devsim.address(2), 1, kServicePort, password, QStringLiteral("Protocol=onvif\n")};
    }

    devsim::RtspServerProcess server;
    devsim::DevsimProcess devsim;
    test::TempDir drive;
};

TEST_F(OnvifLiveViewE2ETest, PlaysTheStreamItsMediaServiceGivesAndTakesPtzPresses) {
    test::LiveMainWindow main({camera(QStringLiteral("secret"))}, drive.path());
    main.doubleClickChannel(0, 0);
    TMyView& window = main.view(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.state() == ViewState::Live && window.picturesPainted() > 5; },
                                20000))
        << window.statusText().toStdString();
    EXPECT_TRUE(devsim.waitForLogLine({QStringLiteral("call=GetStreamUri"), QStringLiteral("outcome=ok")}, std::chrono::seconds(5)).has_value())
        << "the stream address came from the camera's media service";

    main.form().notebook().setCurrentPage(kPtzPage);
    auto* left = main.form().findChild<QToolButton*>(QStringLiteral("BtnLeft"));
    ASSERT_NE(left, nullptr);
    QTest::mousePress(left, Qt::LeftButton);
    QTest::mouseRelease(left, Qt::LeftButton);
    EXPECT_TRUE(devsim.waitForLogLine({QStringLiteral("onvif-ptz"), QStringLiteral("call=ContinuousMove"),
                                       QStringLiteral("pan=-")},
                                      std::chrono::seconds(10)))
        << "a left press moves the head left";
    EXPECT_TRUE(devsim.waitForLogLine({QStringLiteral("onvif-ptz"), QStringLiteral("call=Stop")},
                                      std::chrono::seconds(10)))
        << "and the release stops it";
}

TEST_F(OnvifLiveViewE2ETest, AWrongPasswordGivesTheDesignsMessage) {
    test::LiveMainWindow main({camera(QStringLiteral("guess"))}, drive.path());
    main.doubleClickChannel(0, 0);
    TMyView& window = main.view(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.statusText() == QStringLiteral("Lobby Password not right"); },
                                15000))
        << window.statusText().toStdString();
    EXPECT_NE(window.state(), ViewState::Live);
}

}  // namespace
}  // namespace strovik
