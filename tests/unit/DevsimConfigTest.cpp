#include "DeviceAnswers.h"
#include "DevsimConfig.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace strovik::devsim {
namespace {

const char kDevice[] =
    "[Device dvr1]\n"
    "Address=127.0.0.2\nPort=6000\nType=dvr\nChannels=4\nFirmware=10.5\n"
    "User1=admin\nPassword1=1234\nRights1=58\nSearchChannels1=1,3-4\n"
    "User2=viewer\nPassword2=v\nRights2=4\n"
    "DeviceId=12345678\nMac=02:00:00:00:00:09\n"
    "Recordings=rec\n"
    "Recording1=a.264, 2024-03-01 08:00:00, 2024-03-01 08:10:00, 1, auto\n"
    "Recording2=b.mp4, 2024-03-01 09:00:00, 2024-03-01 09:05:00, 3, 7\n"
    "TransferFault=stall\nTransferFaultAfter=1000\nCloseChance=5\nTrickleMs=250\n"
    "LiveDropAfterMs=1500\nRecordingContentSeconds=5\n";

TEST(DevsimConfig, ReadsDevicesUsersCatalogueAndKnobs) {
    test::TempDir dir;
    const QString path =
        dir.write(QStringLiteral("devsim.ini"), QByteArray("[Simulator]\nLog=out.log\n") + kDevice);
    std::string error;
    const auto config = LoadDevsimConfig(path, &error);
    ASSERT_TRUE(config) << error;
    EXPECT_EQ(config->logPath, dir.file(QStringLiteral("out.log")).toStdString());
    ASSERT_EQ(config->devices.size(), 1u);
    const SimulatedDevice& device = config->devices[0];
    EXPECT_EQ(device.name, "dvr1");
    EXPECT_EQ(device.verificationPort(), 8000);
    EXPECT_EQ(device.ptzPort, 16000);  // the channels' stream port: device port + 10000
    EXPECT_EQ(device.firmware.major, 10);
    EXPECT_EQ(device.firmware.minor, 5);
    ASSERT_EQ(device.users.size(), 2u);
    EXPECT_EQ(device.users[0].searchChannels, (std::vector<bool>{true, false, true, true}));
    EXPECT_EQ(device.users[1].searchChannels, std::vector<bool>(4, true));
    EXPECT_EQ(device.discovery.videoPort, 6000);
    ASSERT_EQ(device.catalogue.size(), 2u);
    EXPECT_EQ(device.catalogue[1].recordType, 7);
    EXPECT_EQ(device.recordingPath(device.catalogue[0]), dir.file(QStringLiteral("rec/a.264")).toStdString());
    EXPECT_EQ(device.faults.transfer, TransferFault::Stall);
    EXPECT_EQ(device.faults.transferFaultAfterBytes, 1000);
    EXPECT_EQ(device.faults.liveDropAfter, std::chrono::milliseconds(1500));
    EXPECT_EQ(device.faults.trickleBytePause, std::chrono::milliseconds(250));
    EXPECT_EQ(device.recordingContent, std::chrono::seconds(5));

    EXPECT_EQ(VerificationAnswer(device, "admin", "1234"), 458);
    EXPECT_EQ(VerificationAnswer(device, "admin", "x"), 401);
    EXPECT_EQ(VerificationAnswer(device, "nobody", "1234"), 400);
    EXPECT_EQ(VerificationAnswer(device, "viewer", "v"), 404);
    const auto rights = ChannelSearchRights(device, "admin", "1234");
    EXPECT_EQ((std::vector<std::uint8_t>(rights.begin(), rights.begin() + 5)),
              (std::vector<std::uint8_t>{1, 0, 1, 1, 0}));
    EXPECT_EQ(ChannelSearchRights(device, "admin", "wrong"),
              (std::array<std::uint8_t, kChannelRightsBytes>{}));
}

TEST(DevsimConfig, SearchFiltersByChannelTypeTimeAndTheUsersRights) {
    test::TempDir dir;
    std::string error;
    const auto config = LoadDevsimConfig(dir.write(QStringLiteral("devsim.ini"), kDevice), &error);
    ASSERT_TRUE(config) << error;
    const SimulatedDevice& device = config->devices[0];
    const auto at = [](int hour, int minute) { return *ToFileTime({2024, 3, 1, hour, minute, 0, 0}); };
    const struct {
        const char* what;
        SearchQuery query;
        std::size_t found;
    } cases[] = {
        {"whole day, all types", {at(0, 0), at(23, 59), 1, 0, SearchRequestStyle::OldFirmware, ""}, 1},
        {"ends exactly at the start", {at(8, 10), at(9, 0), 1, 0, SearchRequestStyle::OldFirmware, ""}, 1},
        {"after it", {at(8, 11), at(9, 0), 1, 0, SearchRequestStyle::OldFirmware, ""}, 0},
        {"other type", {at(0, 0), at(23, 59), 1, RecordType::Alarm, SearchRequestStyle::OldFirmware, ""}, 0},
        {"other channel", {at(0, 0), at(23, 59), 2, 0, SearchRequestStyle::OldFirmware, ""}, 0},
        {"new style, allowed", {at(0, 0), at(23, 59), 3, 7, SearchRequestStyle::NewFirmware, "admin"}, 1},
        {"new style, channel not allowed",
         {at(0, 0), at(23, 59), 2, 0, SearchRequestStyle::NewFirmware, "admin"},
         0},
        {"new style, unknown user",
         {at(0, 0), at(23, 59), 1, 0, SearchRequestStyle::NewFirmware, "ghost"},
         0},
        {"new style, channel 0", {at(0, 0), at(23, 59), 0, 0, SearchRequestStyle::NewFirmware, "admin"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FindRecordings(device, c.query).size(), c.found);
    }
}

TEST(DevsimConfig, ReadsStreamSizesPreparationAndRandomDrops) {
    const struct {
        const char* what;
        const char* keys;
        StreamSize main;
        StreamSize sub;
        PreparedStreams prepared;
        int dropMin, dropMax;
    } cases[] = {
        {"defaults", "", {640, 360}, {320, 180}, PreparedStreams::None, 0, 0},
        {"large main stream, prepared",
         "MainStreamSize=1920x1080\nSubStreamSize=640 X "
         "360\nPrepareStreams=main\nLiveDropRandomMs=2000-9000\n",
         {1920, 1080},
         {640, 360},
         PreparedStreams::Main,
         2000,
         9000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        std::string error;
        const auto config = LoadDevsimConfig(
            dir.write(QStringLiteral("devsim.ini"), QByteArray("[Device a]\nAddress=127.0.0.2\n") + c.keys),
            &error);
        ASSERT_TRUE(config) << error;
        const SimulatedDevice& device = config->devices[0];
        EXPECT_EQ(device.mainStreamSize, c.main);
        EXPECT_EQ(device.subStreamSize, c.sub);
        EXPECT_EQ(device.preparedStreams, c.prepared);
        EXPECT_EQ(device.faults.liveDropRandomMin, std::chrono::milliseconds(c.dropMin));
        EXPECT_EQ(device.faults.liveDropRandomMax, std::chrono::milliseconds(c.dropMax));
    }
}

TEST(DevsimConfig, RefusesWhatItCannotPlay) {
    const struct {
        const char* what;
        const char* text;
        const char* error;
    } cases[] = {
        {"no device", "[Simulator]\n", "no [Device"},
        {"not loopback", "[Device a]\nAddress=192.168.1.10\n", "Address"},
        {"port taken twice", "[Device a]\nAddress=127.0.0.2\n[Device b]\nAddress=127.0.0.2\n",
         "already taken"},
        {"verification port beyond 65535", "[Device a]\nAddress=127.0.0.2\nPort=64000\n", "Port"},
        {"channel list", "[Device a]\nAddress=127.0.0.2\nChannels=2\nUser1=u\nSearchChannels1=3\n",
         "SearchChannels1"},
        {"date",
         "[Device a]\nAddress=127.0.0.2\nRecording1=a, 2024-02-30 00:00:00, 2024-03-01 00:00:00, 1, auto\n",
         "Recording1"},
        {"ends before it starts",
         "[Device a]\nAddress=127.0.0.2\nRecording1=a, 2024-03-02 00:00:00, 2024-03-01 00:00:00, 1, auto\n",
         "ends before"},
        {"unknown fault", "[Device a]\nAddress=127.0.0.2\nVerifyFault=sometimes\n", "VerifyFault"},
        {"type", "[Device a]\nAddress=127.0.0.2\nType=toaster\n", "Type"},
        {"negative drop time", "[Device a]\nAddress=127.0.0.2\nLiveDropAfterMs=-5\n",
         "[Device a] LiveDropAfterMs"},
        {"no content", "[Device a]\nAddress=127.0.0.2\nRecordingContentSeconds=0\n",
         "[Device a] RecordingContentSeconds"},
        {"odd stream height", "[Device a]\nAddress=127.0.0.2\nMainStreamSize=1280x719\n",
         "[Device a] MainStreamSize"},
        {"stream beyond 1080p", "[Device a]\nAddress=127.0.0.2\nSubStreamSize=3840x2160\n",
         "[Device a] SubStreamSize"},
        {"drop range reversed", "[Device a]\nAddress=127.0.0.2\nLiveDropRandomMs=900-100\n",
         "LiveDropRandomMs"},
        {"both drop knobs", "[Device a]\nAddress=127.0.0.2\nLiveDropAfterMs=5\nLiveDropRandomMs=1-2\n",
         "not together"},
        {"ONVIF camera without streams", "[Device a]\nAddress=127.0.0.2\nProtocol=onvif\n", "MainStreamUrl"},
        {"ONVIF stream not RTSP", "[Device a]\nAddress=127.0.0.2\nProtocol=onvif\nMainStreamUrl=http://x/\n",
         "MainStreamUrl"},
        {"WS-Discovery group not multicast",
         "[Simulator]\nOnvifDiscoveryGroup=127.0.0.9\n[Device a]\nAddress=127.0.0.2\n", "OnvifDiscoveryGroup"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        std::string error;
        EXPECT_FALSE(LoadDevsimConfig(dir.write(QStringLiteral("devsim.ini"), c.text), &error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(LoadDevsimConfig(QStringLiteral("/nonexistent/devsim.ini"), &error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}

TEST(DevsimConfig, CataloguesReachEntry65536) {
    test::TempDir dir;
    std::string error;
    const auto config = LoadDevsimConfig(
        dir.write(QStringLiteral("devsim.ini"),
                  "[Device a]\nAddress=127.0.0.2\n"
                  "Recording10000=a, 2024-03-01 08:00:00, 2024-03-01 08:10:00, 1, auto\n"
                  "Recording65536=b, 2024-03-01 09:00:00, 2024-03-01 09:10:00, 1, auto\n"
                  "Recording65537=c, 2024-03-01 10:00:00, 2024-03-01 10:10:00, 1, auto\n"),
        &error);
    ASSERT_TRUE(config) << error;
    ASSERT_EQ(config->devices[0].catalogue.size(), 2u);
    EXPECT_EQ(config->devices[0].catalogue[1].fileName, "b");
}

}  // namespace
}  // namespace strovik::devsim
