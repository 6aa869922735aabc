#include "devicelibs/tcpclient/SessionPort.h"
#include "devicelibs/wire/DeviceInfoRecords.h"
#include "devicelibs/wire/DiscoveryDatagrams.h"
#include "devicelibs/wire/MessageFraming.h"
#include "devicelibs/wire/PtzCommand.h"
#include "devicelibs/wire/SearchRequest.h"
#include "devicelibs/wire/SearchResultRecord.h"
#include "devicelibs/wire/SessionRecords.h"
#include "devicelibs/wire/TransferNotification.h"

#include <gtest/gtest.h>

#include <string>

namespace strovik {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string TextAt(const Bytes& bytes, std::size_t offset, std::size_t length) {
    return std::string(reinterpret_cast<const char*>(bytes.data() + offset), length);
}

// Every byte outside the listed [begin, end) ranges is zero.
void ExpectZeroOutside(const Bytes& bytes, std::initializer_list<std::pair<std::size_t, std::size_t>> used) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bool inside = false;
        for (const auto& [begin, end] : used) inside = inside || (i >= begin && i < end);
        if (!inside) {
            ASSERT_EQ(bytes[i], 0) << "byte " << i;
        }
    }
}

TEST(WireRecords, SearchRequestOfNewFirmwareCarriesTypePlus100AndTheUserAt154) {
    const Bytes bytes =
        RecordBytes(BuildSearchRequest(0x0102030405060708ull, 0x1112131415161718ull, 3, RecordType::Auto,
                                       SearchRequestStyle::NewFirmware, "operator"));
    ASSERT_EQ(bytes.size(), 284u);
    EXPECT_EQ(GetLittleEndian32(&bytes[0]), 100u);
    EXPECT_EQ(GetLittleEndian64(&bytes[4]), 0x0102030405060708ull);
    EXPECT_EQ(GetLittleEndian64(&bytes[12]), 0x1112131415161718ull);
    EXPECT_EQ(bytes[20], 3);
    EXPECT_EQ(bytes[21], 102);
    EXPECT_EQ(TextAt(bytes, 154, 9), std::string("operator\0", 9));
    ExpectZeroOutside(bytes, {{0, 22}, {154, 162}});

    const auto query = ParseSearchRequest(bytes.data(), bytes.size());
    ASSERT_TRUE(query);
    EXPECT_EQ(query->style, SearchRequestStyle::NewFirmware);
    EXPECT_EQ(query->recordType, RecordType::Auto);
    EXPECT_EQ(query->channel, 3);
    EXPECT_EQ(query->userName, "operator");
}

TEST(WireRecords, SearchRequestOfOldFirmwareHasThePlainTypeAndNoUser) {
    const Bytes bytes = RecordBytes(
        BuildSearchRequest(1, 2, 16, RecordType::Alarm, SearchRequestStyle::OldFirmware, "operator"));
    EXPECT_EQ(bytes[21], 3);
    ExpectZeroOutside(bytes, {{0, 22}});
    const auto query = ParseSearchRequest(bytes.data(), bytes.size());
    ASSERT_TRUE(query);
    EXPECT_EQ(query->style, SearchRequestStyle::OldFirmware);
    EXPECT_EQ(query->userName, "");

    EXPECT_FALSE(ParseSearchRequest(bytes.data(), 283));
    Bytes otherCode = bytes;
    otherCode[0] = 114;
    EXPECT_FALSE(ParseSearchRequest(otherCode.data(), otherCode.size()));
}

TEST(WireRecords, SearchResultTravelsAs292ByteCode101Message) {
    SearchResultRecord record{};
    record.startTime = 0xAABBCCDD00112233ull;
    record.endTime = 0x0000000100000002ull;
    record.fileSize = 1536;
    record.fileName = std::string(300, 'n');  // cut to 259 bytes and the terminator
    record.channel = 4;
    record.recordType = RecordType::Alarm;
    const Bytes message = SearchResultMessage(record);
    ASSERT_EQ(message.size(), 292u);
    EXPECT_EQ(GetLittleEndian32(&message[0]), 101u);
    EXPECT_EQ(GetLittleEndian64(&message[4]), 0xAABBCCDD00112233ull);
    EXPECT_EQ(GetLittleEndian64(&message[12]), 0x0000000100000002ull);
    EXPECT_EQ(GetLittleEndian64(&message[20]), 1536u);
    EXPECT_EQ(TextAt(message, 28, 259), std::string(259, 'n'));
    EXPECT_EQ(message[28 + 259], 0);
    EXPECT_EQ(message[4 + 284], 4);
    EXPECT_EQ(message[4 + 285], 3);

    const auto parsed = ParseSearchResultMessage(message.data(), message.size());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->fileName.view(), std::string(259, 'n'));
    EXPECT_EQ(parsed->fileSize, 1536);
    EXPECT_FALSE(ParseSearchResultMessage(message.data(), 291));
    Bytes longer = message;
    longer.push_back(0);
    EXPECT_FALSE(ParseSearchResultMessage(longer.data(), longer.size()));

    const Bytes finished = SearchFinishedMessage(7);
    EXPECT_EQ(finished, (Bytes{102, 0, 0, 0, 7, 0, 0, 0}));
    EXPECT_EQ(ParseSearchFinishedMessage(finished.data(), finished.size()), 7);
    EXPECT_FALSE(ParseSearchFinishedMessage(message.data(), message.size()));
}

TEST(WireRecords, DeviceInfoRequestAndReply) {
    const Bytes request = RecordBytes(BuildDeviceInfoRequest(std::string(200, 'u'), "secret"));
    ASSERT_EQ(request.size(), 268u);
    EXPECT_EQ(GetLittleEndian32(&request[0]), 114u);
    EXPECT_EQ(TextAt(request, 4, 127), std::string(127, 'u'));
    EXPECT_EQ(TextAt(request, 132, 6), "secret");
    ExpectZeroOutside(request, {{0, 1}, {4, 131}, {132, 138}});
    EXPECT_TRUE(ParseDeviceInfoRequest(request.data(), request.size()));
    EXPECT_FALSE(ParseDeviceInfoRequest(request.data(), 267));

    Bytes reply(48, 0);
    PutLittleEndian32(&reply[0], 114);
    PutLittleEndian16(&reply[4], 9);
    PutLittleEndian16(&reply[6], 7);
    reply[8] = 0xEE;
    reply[12] = 1;
    reply[47] = 1;
    const auto parsed = ParseDeviceInfoReply(reply.data(), reply.size());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->version.major, 9);
    EXPECT_EQ(parsed->version.minor, 7);
    EXPECT_EQ(parsed->version.extra[0], 0xEE);
    EXPECT_EQ(parsed->channelRights[0], 1);
    EXPECT_EQ(parsed->channelRights[1], 0);
    EXPECT_EQ(parsed->channelRights[35], 1);
    EXPECT_FALSE(ParseDeviceInfoReply(reply.data(), 47));  // never read beyond a short reply
    reply.resize(64);
    EXPECT_TRUE(ParseDeviceInfoReply(reply.data(), reply.size()));
    reply[0] = 101;
    EXPECT_FALSE(ParseDeviceInfoReply(reply.data(), reply.size()));
}

TEST(WireRecords, PtzCommandCutsUserAndPasswordTo31Bytes) {
    PtzCommandFields fields;
    fields.group = PtzGroup::SingleChannel;
    fields.speed = 4;
    fields.code = 112;
    fields.channel = 2;
    fields.parameter = 10;
    const std::string user = "abcdefghijklmnopqrstuvwxyz012345";  // 32 characters
    fields.userName = user;
    fields.password = "pw";
    const Bytes bytes = RecordBytes(BuildPtzCommand(fields));
    ASSERT_EQ(bytes.size(), 128u);
    EXPECT_EQ(bytes[0], 22);
    EXPECT_EQ(bytes[1], 4);
    EXPECT_EQ(bytes[3], 112);
    EXPECT_EQ(bytes[4], 2);
    EXPECT_EQ(bytes[5], 10);
    EXPECT_EQ(TextAt(bytes, 64, 31), user.substr(0, 31));
    EXPECT_EQ(bytes[95], 0);
    EXPECT_EQ(TextAt(bytes, 96, 2), "pw");
    ExpectZeroOutside(bytes, {{0, 6}, {64, 95}, {96, 98}});

    const auto parsed = ParsePtzCommand(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->userName.view(), user.substr(0, 31));
    EXPECT_FALSE(ParsePtzCommand(bytes.data(), 127));
}

TEST(WireRecords, TransferNotificationIs520BytesWithCodeCountValue) {
    const Bytes bytes = RecordBytes(MakeTransferNotification(TransferCode::Block, 262144, -1));
    ASSERT_EQ(bytes.size(), 520u);
    EXPECT_EQ(GetLittleEndian32(&bytes[0]), 112u);
    EXPECT_EQ(GetLittleEndian32(&bytes[4]), 262144u);
    EXPECT_EQ(GetLittleEndian32(&bytes[8]), 0xFFFFFFFFu);
    ExpectZeroOutside(bytes, {{0, 12}});
    const auto parsed = ParseTransferNotification(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->value, -1);
    EXPECT_FALSE(ParseTransferNotification(bytes.data(), 519));
}

TEST(WireRecords, SessionAndDiscoveryMessagesAreCheckedBeforeUse) {
    SessionHello hello{};
    hello.kind = static_cast<std::int32_t>(SessionKind::FileTransfer);
    hello.fileName = std::string_view("a.264");
    Bytes bytes = RecordBytes(hello);
    ASSERT_EQ(bytes.size(), 528u);
    EXPECT_EQ(TextAt(bytes, 0, 4), "SVK1");
    EXPECT_EQ(TextAt(bytes, 268, 5), "a.264");
    ASSERT_TRUE(ParseSessionHello(bytes.data(), bytes.size()));
    EXPECT_FALSE(ParseSessionHello(bytes.data(), 527));
    for (const std::int32_t kind : {0, 5}) {
        PutLittleEndian32(&bytes[4], static_cast<std::uint32_t>(kind));
        EXPECT_FALSE(ParseSessionHello(bytes.data(), bytes.size())) << kind;
    }
    PutLittleEndian32(&bytes[4], 2);
    bytes[0] = 'X';
    EXPECT_FALSE(ParseSessionHello(bytes.data(), bytes.size()));

    DiscoveryAnswer answer{};
    answer.searchId = 77;
    answer.camera.deviceId = 12345678;
    Bytes datagram = RecordBytes(answer);
    ASSERT_EQ(datagram.size(), 520u);
    std::fill(datagram.begin() + 12, datagram.begin() + 12 + 128, 'm');  // an unterminated MAC text
    const auto parsed = ParseDiscoveryAnswer(datagram.data(), datagram.size());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->searchId, 77u);
    EXPECT_EQ(parsed->camera.deviceId, 12345678);
    EXPECT_EQ(parsed->camera.macText.bytes[127], '\0');
    EXPECT_EQ(std::strlen(parsed->camera.macText.bytes.data()), 127u);
    EXPECT_FALSE(ParseDiscoveryAnswer(datagram.data(), 519));
    EXPECT_FALSE(ParseDiscoveryProbe(datagram.data(), datagram.size()));
    const Bytes probe = RecordBytes(DiscoveryProbe{});
    EXPECT_TRUE(ParseDiscoveryProbe(probe.data(), probe.size()));
}

TEST(WireRecords, SessionPortEncodings) {
    const struct {
        std::int32_t port;
        std::optional<SessionTarget> target;
    } cases[] = {
        {7050, SessionTarget{7050, SessionKind::Command, 0}},
        {205040, SessionTarget{7050, SessionKind::Ptz, 200000}},  // 5050 - 10 + 200000
        {105040, SessionTarget{7050, SessionKind::Ptz, 100000}},  // 5050 - 10 + 100000
        {200000, SessionTarget{2010, SessionKind::Ptz, 200000}},
        {263525, SessionTarget{65535, SessionKind::Ptz, 200000}},
        {263526, std::nullopt},  // device port 63536 has no verification port
        {0, std::nullopt},
        {-5, std::nullopt},
        {65536, std::nullopt},
        {99999, std::nullopt},
        {300000, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        const auto target = DecodeSessionPort(c.port);
        ASSERT_EQ(target.has_value(), c.target.has_value());
        if (!target) continue;
        EXPECT_EQ(target->tcpPort, c.target->tcpPort);
        EXPECT_EQ(target->kind, c.target->kind);
        EXPECT_EQ(target->portEncoding, c.target->portEncoding);
    }
}

}  // namespace
}  // namespace strovik
