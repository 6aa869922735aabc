#include "devices/Verification.h"

#include "devicelibs/doubles/RecordingTcpClientLibrary.h"
#include "devicelibs/wire/MessageFraming.h"
#include "devices/DeviceInfoQuery.h"
#include "devices/DeviceTree.h"
#include "platform/StringTable.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

StringTable englishMessages() {
    StringTable strings;
    strings.append("15", "not verified");
    strings.append("16", "unknown user");
    strings.append("17", "wrong password");
    strings.append("18", "low rights");
    strings.append("4100", "offline");
    strings.append("4101", "error one");
    strings.append("4103", "error three");
    strings.append("4110", "error ten");
    return strings;
}

TEST(VerifyAnswer, SplitsChannelsAndRights) {
    const struct {
        std::int32_t answer;
        int channels;
        int rights;
    } cases[] = {{1604, 16, 4}, {58, 0, 58}, {3200, 32, 0}, {1, 0, 1}, {99, 0, 99}, {100, 1, 0}, {858, 8, 58}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        const VerifyAnswer decoded = DecodeVerifyAnswer(c.answer);
        EXPECT_EQ(decoded.channelCount, c.channels);
        EXPECT_EQ(decoded.rightsLevel, c.rights);
    }
}

TEST(VerifyAnswer, ChannelCountKeepsTheKnownOneOrFallsBackToSixteen) {
    LoginState state;
    UpdateLoginChannelCount(state, DecodeVerifyAnswer(58));
    EXPECT_EQ(state.loginChannelCount, 16);
    UpdateLoginChannelCount(state, DecodeVerifyAnswer(858));
    EXPECT_EQ(state.loginChannelCount, 8);
    UpdateLoginChannelCount(state, DecodeVerifyAnswer(58));
    EXPECT_EQ(state.loginChannelCount, 8);
}

TEST(VerifyMessages, RightsAndLibraryErrorsHaveTheirTexts) {
    const StringTable strings = englishMessages();
    const struct {
        int level;
        const char* text;
    } rights[] = {{0, "unknown user"}, {1, "wrong password"}, {2, "low rights"},      {16, "low rights"},
                  {17, "not verified"}, {31, "not verified"}};
    for (const auto& c : rights) {
        SCOPED_TRACE(c.level);
        EXPECT_EQ(RightsLevelMessage(c.level, strings), QString::fromUtf8(c.text));
    }

    const struct {
        std::int32_t answer;
        const char* host;
        const char* text;
    } failures[] = {
        {-1, "127.0.0.1", "dvr.example, offline (-1)"},
        {-1, "10.0.0.1", "error one (-1)"},
        {-3, "127.0.0.1", "error three (-3)"},
        {-10, "10.0.0.1", "error ten (-10)"},
        {-2, "10.0.0.1", " (-2)"},  // an entry the table lacks leaves its text empty
        {0, "10.0.0.1", "Unknown error: 0"},
        {-11, "10.0.0.1", "Unknown error: -11"},
    };
    for (const auto& c : failures) {
        SCOPED_TRACE(c.answer);
        EXPECT_EQ(LoginFailureMessage(c.answer, QString::fromUtf8(c.host), QStringLiteral("dvr.example"), strings),
                  QString::fromUtf8(c.text));
    }
}

class VerifyDeviceTest : public ::testing::Test {
protected:
    RecordingTcpClientLibrary library;
    LoginState state;
};

TEST_F(VerifyDeviceTest, VerifiedSeveralChannelDeviceBecomesCurrentAndIsAskedForItsInformation) {
    library.queueVerifyAnswer(858);
    state.loginUserName = QStringLiteral("operator");
    state.loginPassword = QStringLiteral("secret");

    EXPECT_EQ(VerifyDevice(library, state, QStringLiteral("10.1.2.3"), 6000, DeviceChannels::Several,
                           QStringLiteral("pw"), QStringLiteral("viewer")),
              58);

    ASSERT_EQ(library.verifyRequests().size(), 1u);
    const VerifyUserRequest request = library.verifyRequests()[0];
    EXPECT_EQ(request.userName, "viewer");
    EXPECT_EQ(request.password, "pw");
    EXPECT_EQ(request.host, "10.1.2.3");
    EXPECT_EQ(request.port, 8000);
    EXPECT_EQ(state.currentRights, 58);
    EXPECT_EQ(state.currentAddress, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(state.currentPort, 6000u);
    EXPECT_EQ(state.loginChannelCount, 8);
    // The information request carries the login page's credentials, not the verified ones.
    EXPECT_EQ(state.loginUserName, QStringLiteral("operator"));
    ASSERT_EQ(library.connectRequests().size(), 1u);
    EXPECT_EQ(library.connectRequests()[0].host, "10.1.2.3");
    EXPECT_EQ(library.connectRequests()[0].port, 8000);
    ASSERT_EQ(library.sends().size(), 1u);
    EXPECT_EQ(library.sends()[0].bytes.size(), kDeviceInfoRequestBytes);
    EXPECT_EQ(library.sends()[0].handle, state.searchConnection);
    EXPECT_EQ(library.sends()[0].bytes[4], 'o');
}

TEST_F(VerifyDeviceTest, SingleChannelDeviceGetsFixedInformationWithoutAConnection) {
    library.queueVerifyAnswer(42);
    state.currentChannelRights[5] = 7;
    EXPECT_EQ(VerifyDevice(library, state, QStringLiteral("10.1.2.3"), 5050, DeviceChannels::Single, {}, {}), 42);
    EXPECT_EQ(state.currentVersion.major, 9);
    EXPECT_EQ(state.currentVersion.minor, 7);
    EXPECT_EQ(state.currentChannelRights[0], 1);
    EXPECT_EQ(state.currentChannelRights[1], 1);
    EXPECT_EQ(state.currentChannelRights[5], 7);
    EXPECT_TRUE(library.connectRequests().empty());
}

TEST_F(VerifyDeviceTest, FailuresAndLowRightsLeaveTheCurrentDeviceAlone) {
    const struct {
        std::int32_t answer;
        const char* address;
        std::int32_t result;
    } cases[] = {{-1, "127.0.0.1", kOfflineDomainResult}, {-1, "10.0.0.9", -1}, {-4, "127.0.0.1", -4},
                 {0, "10.0.0.9", 0},                      {1604, "10.0.0.9", 4}, {17, "10.0.0.9", 17}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        library.queueVerifyAnswer(c.answer);
        EXPECT_EQ(VerifyDevice(library, state, QString::fromUtf8(c.address), 5050, DeviceChannels::Several, {}, {}),
                  c.result);
        EXPECT_EQ(state.currentRights, -1);
        EXPECT_TRUE(state.currentAddress.isEmpty());
    }
    EXPECT_TRUE(library.connectRequests().empty());
}

TEST_F(VerifyDeviceTest, DeviceIdIsCompletedAndHandedOverUnresolved) {
    library.queueVerifyAnswer(50);
    VerifyDevice(library, state, QStringLiteral("123456"), 5050, DeviceChannels::Single, {}, {});
    EXPECT_EQ(library.verifyRequests().at(0).host, "123456.ddns.strovik.example");
    EXPECT_TRUE(state.loginByVendorDomain);
    EXPECT_EQ(state.currentAddress, QStringLiteral("123456.ddns.strovik.example"));
}

TEST(DeviceInfoQuery, RequestHasItsFieldsAtTheirOffsets) {
    const QString longName(200, QLatin1Char('u'));
    const DeviceInfoRequestBytes bytes = EncodeDeviceInfoRequest(longName, QStringLiteral("pässword"));
    EXPECT_EQ(GetLittleEndian32(bytes.data()), 114u);
    EXPECT_EQ(bytes[4], 'u');
    EXPECT_EQ(bytes[4 + 126], 'u');
    EXPECT_EQ(bytes[4 + 127], 0);  // cut to the field, zero-terminated
    EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char*>(bytes.data() + 132)), QStringLiteral("pässword"));
    for (std::size_t i = 260; i < 268; ++i) EXPECT_EQ(bytes[i], 0);
}

TEST(DeviceInfoQuery, ShortSendClosesTheConnection) {
    RecordingTcpClientLibrary library;
    LoginState state;
    state.currentAddress = QStringLiteral("10.0.0.2");
    state.currentVersion.major = 3;
    library.queueConnectAnswer(7);
    library.setSendResult(100);
    QueryDeviceInfo(library, state);
    EXPECT_EQ(state.searchConnection, 0);
    EXPECT_EQ(library.disconnects(), std::vector<std::int32_t>{7});
    EXPECT_EQ(state.currentVersion.major, 0);
}

TEST(DeviceInfoQuery, ReplyBecomesCurrentAndIsKeptOnTheDevice) {
    RecordingTcpClientLibrary library;
    StringTable strings;
    DeviceTree tree(strings);
    auto device = std::make_unique<DeviceNode>();
    device->kind = NodeKind::Device;
    device->name = QStringLiteral("NVR");
    device->connection.address = QStringLiteral(" 10.0.0.2 ");
    tree.AddDeviceWithChannels(std::move(device), 2);
    LoginState state;
    state.currentAddress = QStringLiteral("10.0.0.2");
    state.searchConnection = 5;

    std::vector<std::uint8_t> reply(48, 0);
    PutLittleEndian32(reply.data(), 114);
    PutLittleEndian16(reply.data() + 4, 9);
    PutLittleEndian16(reply.data() + 6, 8);
    reply[12] = 1;
    reply[13] = 0;
    reply[14] = 1;
    EXPECT_TRUE(HandleDeviceInfoMessage(library, state, tree, reply.data(), reply.size()));
    EXPECT_EQ(state.currentVersion.major, 9);
    EXPECT_EQ(state.currentVersion.minor, 8);
    EXPECT_EQ(state.currentChannelRights[2], 1);
    EXPECT_EQ(tree.devices()[0]->deviceVersion.minor, 8);
    EXPECT_EQ(tree.devices()[0]->channelRights[2], 1);
    EXPECT_EQ(state.searchConnection, 0);
    EXPECT_EQ(library.disconnects(), std::vector<std::int32_t>{5});

    // A truncated reply is dropped but still ends the exchange; other codes are not ours.
    state.searchConnection = 6;
    EXPECT_TRUE(HandleDeviceInfoMessage(library, state, tree, reply.data(), 20));
    EXPECT_EQ(state.searchConnection, 0);
    PutLittleEndian32(reply.data(), 101);
    state.searchConnection = 8;
    EXPECT_FALSE(HandleDeviceInfoMessage(library, state, tree, reply.data(), reply.size()));
    EXPECT_EQ(state.searchConnection, 8);
}

}  // namespace
}  // namespace strovik
