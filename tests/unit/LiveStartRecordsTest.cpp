#include "liveview/ChannelTexts.h"
#include "liveview/LiveStartRecords.h"
#include "liveview/RecordNaming.h"
#include "platform/StringTable.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

using namespace std::chrono_literals;

ConnectionInfo Connection(const char* deviceName, std::int32_t channelIndex, std::uint8_t deviceType = DeviceType::Dvr) {
    ConnectionInfo connection;
    connection.deviceName = std::string_view(deviceName);
    connection.channelIndex = channelIndex;
    connection.deviceType = deviceType;
    return connection;
}

TEST(ClientStartInfo, SplitsTheNetworkTypeAndKeepsThePortUnsigned) {
    const struct {
        std::uint8_t netType;
        std::uint8_t units;
        std::uint8_t tens;
    } cases[] = {{1, 1, 0}, {41, 1, 40}, {10, 10, 0}, {11, 1, 10}, {0, 0, 0}, {255, 5, 250}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.netType));
        ConnectionInfo connection = Connection("Gate", 300);
        connection.netType = c.netType;
        connection.port = 60000;
        connection.userName = std::string_view("admin");
        connection.password = std::string_view("secret");
        const ClientStartInfo info = FillClientStartInfo(connection, "127.0.0.5", nullptr);
        EXPECT_EQ(info.netTypeUnits, c.units);
        EXPECT_EQ(info.netTypeTens, c.tens);
        EXPECT_EQ(info.port, 60000);
        EXPECT_EQ(info.channelIndex, 300 & 0xFF);  // the low byte of the index
        EXPECT_EQ(info.address, "127.0.0.5");
        EXPECT_EQ(info.userName, "admin");
        EXPECT_EQ(info.password, "secret");
        EXPECT_EQ(info.reserved20, -1);
    }
}

TEST(ClientStartInfo, ARelayNeedsAnAddressAndAPositivePortAndHoldsFifteenCharacters) {
    ConnectionInfo connection = Connection("Gate", 0);
    connection.relayAddress = std::string_view("relay.example.invalid");
    EXPECT_FALSE(UsesRelay(connection));
    connection.relayPort = -2;  // a port above 32767 as the record keeps it
    EXPECT_FALSE(UsesRelay(connection));
    connection.relayPort = 8000;
    EXPECT_TRUE(UsesRelay(connection));
    const RelayInfo relay = FillRelayInfo(connection, "relay.example.invalid");
    EXPECT_EQ(relay.address, "relay.example.i");
    EXPECT_EQ(relay.port, 8000);
}

TEST(ClientStartInfo, TheLinkTypeIsTheServerTypeAsASignedByte) {
    ConnectionInfo connection;
    connection.serverType = 2;
    EXPECT_EQ(LinkTypeOf(connection), 2);
    connection.serverType = 0xFE;
    EXPECT_EQ(LinkTypeOf(connection), 0xFFFE);
}

TEST(ClientStartInfo, VendorDomainNamesReachTheLibraryAsTyped) {
    EXPECT_EQ(PrepareLibraryAddress(QStringLiteral("cam7.ddns.strovik.example")), "cam7.ddns.strovik.example");
    EXPECT_EQ(PrepareLibraryAddress(QStringLiteral(" 127.0.0.9 ")), "127.0.0.9");
}

TEST(SameStream, ComparesTheDeviceAndForAnythingButCamerasTheChannel) {
    const struct {
        ConnectionInfo shown;
        ConnectionInfo requested;
        bool same;
    } cases[] = {
        {Connection("Gate", 2), Connection("Gate", 2), true},
        {Connection("Gate", 2), Connection("Gate", 3), false},
        {Connection("Gate", 2), Connection("Yard", 2), false},
        {Connection("Cam", 1, DeviceType::NetworkCamera), Connection("Cam", 0, DeviceType::NetworkCamera), true},
        {Connection("Cam", 1, DeviceType::NetworkCamera), Connection("Cam2", 1, DeviceType::NetworkCamera), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.requested.deviceName.str() + std::to_string(c.requested.channelIndex));
        EXPECT_EQ(ShowsSameStream(c.shown, c.requested), c.same);
    }
}

TEST(Reconnect, AutoSearchedCamerasAreRetriedSoonerThanOtherDevices) {
    ConnectionInfo camera = Connection("Cam", 0, DeviceType::NetworkCamera);
    EXPECT_EQ(ReconnectInterval(camera), 35000ms);  // added by hand
    camera.searchState = 1;
    EXPECT_EQ(ReconnectInterval(camera), 20000ms);
    ConnectionInfo dvr = Connection("Gate", 0);
    dvr.searchState = 1;
    EXPECT_EQ(ReconnectInterval(dvr), 35000ms);
}

TEST(RecordNaming, NamesComeFromOneClockReadingTheDeviceAndTheChannel) {
    const QDateTime when(QDate(2024, 1, 5), QTime(8, 30, 15));
    EXPECT_EQ(RecordingFilePath(QStringLiteral("/d/VideoFiles"), QStringLiteral("Gate"), 0, when),
              QStringLiteral("/d/VideoFiles/20240105/Gate/20240105083015_M_00.avi"));
    EXPECT_EQ(SnapshotFilePath(QStringLiteral("/d/VideoPhotos"), QStringLiteral("Gate"), 0, when),
              QStringLiteral("/d/VideoPhotos/20240105-083015_Gate_CHN00.bmp"));
    EXPECT_EQ(RecordingFilePath(QStringLiteral("b"), QStringLiteral("Gate"), 12, when),
              QStringLiteral("b/20240105/Gate/20240105083015_M_12.avi"));
    EXPECT_EQ(RecordingFilePath(QStringLiteral("b"), QStringLiteral("Gate"), 123, when),
              QStringLiteral("b/20240105/Gate/20240105083015_M_123.avi"));
    EXPECT_EQ(SnapshotFilePath(QString(), QString(), 123, when), QStringLiteral("20240105-083015__CHN123.bmp"));
    // After midnight the next file lies under the next day's folder.
    EXPECT_EQ(RecordingDateDirectory(QStringLiteral("b"), QDateTime(QDate(2024, 1, 6), QTime(0, 5))),
              QStringLiteral("b/20240106"));
}

TEST(ChannelTexts, LoginFailuresNameTheLibraryErrorOrWhatWasWrongWithTheUser) {
    StringTable strings;
    strings.append(QStringLiteral("1202"), QStringLiteral("Login"));
    strings.append(QStringLiteral("4100"), QStringLiteral("Offline"));
    strings.append(QStringLiteral("4101"), QStringLiteral("Timed out"));
    strings.append(QStringLiteral("4110"), QStringLiteral("Refused"));
    strings.append(QStringLiteral("15"), QStringLiteral("Not verified"));
    strings.append(QStringLiteral("16"), QStringLiteral("User not Exists"));
    strings.append(QStringLiteral("17"), QStringLiteral("Password not right"));
    strings.append(QStringLiteral("18"), QStringLiteral("User priority is lower"));
    const struct {
        std::int32_t result;
        const char* text;
    } cases[] = {
        {-11, "Offline (-1)"},
        {-1, "Timed out (-1)"},
        {-10, "Refused (-10)"},
        {-12, "Unknown error: -12"},
        {0, "Gate User not Exists"},
        {1, "Gate Password not right"},
        {2, "Gate User priority is lower"},
        {16, "Gate User priority is lower"},
        {17, "Gate Not verified"},
        {31, "Gate Not verified"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result);
        EXPECT_EQ(ChannelLoginFailureText(c.result, QStringLiteral("Gate"), strings), QLatin1String(c.text));
    }
    EXPECT_EQ(ConnectingText(strings), QStringLiteral("Login..."));
}

}  // namespace
}  // namespace strovik
