// PTZ against devsim with the real libraries: a channel opened live from the tree of the real main
// window, the PTZ page's buttons pressed and released, and the records arriving at the device byte
// for byte: on the library's PTZ session for firmware 9.7, on the raw stream port for 9.6.
#include "DevsimProcess.h"
#include "app/StrovikForm.h"
#include "app/ToolNotebook.h"
#include "devicelibs/wire/PtzCommand.h"
#include "devicelibs/wire/WireRecord.h"
#include "devices/DeviceTree.h"
#include "e2e/LiveViewTestSupport.h"
#include "liveview/MyView.h"
#include "liveview/PtzControl.h"
#include "liveview/ViewForm.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QTest>

namespace strovik {
namespace {

constexpr int kCurrent = 2;  // devsim.address(kCurrent): a DVR of firmware 9.7
constexpr int kOlder = 3;    // a DVR of firmware 9.6
constexpr int kChannels = 4;
constexpr int kPtzPage = 3;
constexpr int kLiveMs = 20000;
constexpr int kLogMs = 10000;

QString RecordHex(std::uint8_t code, std::uint8_t channel) {
    PtzCommandFields fields;
    fields.group = PtzGroup::MultiChannel;
    fields.speed = 4;
    fields.code = code;
    fields.channel = channel;
    fields.parameter = 10;
    fields.userName = "admin";
    fields.password = "admin";
    const auto bytes = RecordBytes(BuildPtzCommand(fields));
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))
            .toHex());
}

class PtzE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(devsim.start(test::DvrSection(QStringLiteral("Current"), devsim.address(kCurrent),
                                                  kChannels, QStringLiteral("Firmware=9.7")) +
                                 test::DvrSection(QStringLiteral("Older"), devsim.address(kOlder), kChannels,
                                                  QStringLiteral("Firmware=9.6"))))
            << devsim.errorString().toStdString();
        main = std::make_unique<test::LiveMainWindow>(
            std::vector<test::ListedDevice>{{QStringLiteral("Current"), devsim.address(kCurrent), kChannels},
                                            {QStringLiteral("Older"), devsim.address(kOlder), kChannels}},
            drive.path());
        main->form().notebook().setCurrentPage(kPtzPage);
    }

    // Opens channel (0-based) of the device at tree position `device` as the operator does, clicks
    // the window it went live in, and waits for the device-information reply that tells the
    // firmware, which picks the path.
    void openAndSelect(int device, int channel, const char* deviceName, DeviceVersion version) {
        main->doubleClickChannel(device, channel);
        TMyView* live = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                for (int i = 0; i < 64 && !live; ++i) {
                    TMyView& window = main->view(i);
                    if (window.state() == ViewState::Live &&
                        window.connection().deviceName.str() == deviceName &&
                        window.connection().channelIndex == channel)
                        live = &window;
                }
                return live != nullptr;
            },
            kLiveMs));
        QTest::mouseClick(live, Qt::LeftButton);
        ASSERT_EQ(main->grid().view(main->grid().selected()), live);
        const DeviceNode& record = *main->form().state().tree.devices()[static_cast<std::size_t>(device)];
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return record.deviceVersion.major == version.major &&
                       record.deviceVersion.minor == version.minor;
            },
            kLiveMs));
    }

    bool arrived(const char* path, std::uint8_t code, std::uint8_t channel) {
        return test::WaitForLogLines(
            devsim,
            {QStringLiteral("ptz"), QStringLiteral("path=") + QLatin1String(path),
             QStringLiteral("device=%1")
                 .arg(QLatin1String(path) == QLatin1String("raw") ? QStringLiteral("Older")
                                                                  : QStringLiteral("Current")),
             QStringLiteral("bytes=") + RecordHex(code, channel)},
            1, kLogMs);
    }

    devsim::DevsimProcess devsim;
    test::TempDir drive;
    std::unique_ptr<test::LiveMainWindow> main;
};

TEST_F(PtzE2ETest, PressAndReleaseOnALiveChannelArriveOnTheLibrarySessionAndOnTheRawSocket) {
    openAndSelect(0, 2, "Current", {9, 7, {}});
    main->pressAndRelease("BtnLeft");
    EXPECT_TRUE(arrived("session200000", 103, 3));
    EXPECT_TRUE(arrived("session200000", 107, 3));
    main->pressAndRelease("BtnZoom2");
    EXPECT_TRUE(arrived("session200000", 112, 3));
    EXPECT_TRUE(arrived("session200000", 122, 3));

    openAndSelect(1, 0, "Older", {9, 6, {}});
    main->pressAndRelease("BtnUp");
    EXPECT_TRUE(arrived("raw", 101, 1));
    EXPECT_TRUE(arrived("raw", 105, 1));
    // Another device: the session of the first closed.
    EXPECT_TRUE(
        test::WaitForLogLines(devsim,
                              {QStringLiteral("session"), QStringLiteral("kind=ptz"),
                               QStringLiteral("device=Current"), QStringLiteral("outcome=client-closed")},
                              1, kLogMs));

    // In order, once each: the device saw press before release on both paths.
    const QStringList lines = devsim.logLines();
    QStringList codes;
    for (const QString& line : lines)
        if (line.startsWith(QLatin1String("ptz ")) || line.contains(QLatin1String(" ptz ")))
            codes << devsim::LogValue(line, QStringLiteral("code")).value_or(QString());
    EXPECT_EQ(codes, (QStringList{QStringLiteral("103"), QStringLiteral("107"), QStringLiteral("112"),
                                  QStringLiteral("122"), QStringLiteral("101"), QStringLiteral("105")}));
}

}  // namespace
}  // namespace strovik
