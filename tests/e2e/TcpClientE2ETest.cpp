// The real device TCP client library against devsim: verification, record search, device
// information, remote file transfer and PTZ, over loopback.
#include "DevsimProcess.h"
#include "LinkTestSupport.h"
#include "devicelibs/tcpclient/VerifyError.h"
#include "devicelibs/wire/DeviceInfoRecords.h"
#include "devicelibs/wire/FileTime.h"
#include "devicelibs/wire/PtzCommand.h"
#include "devicelibs/wire/SearchRequest.h"
#include "devicelibs/wire/SearchResultRecord.h"
#include "devicelibs/wire/TransferNotification.h"
#include "platform/TcpSocket.h"

#include <gtest/gtest.h>

#include <QDir>

#include <future>

namespace strovik::test {
namespace {

using devsim::DevsimProcess;

TEST(TcpClientE2E, VerificationGivesEachAnswerClassWithinItsTimeouts) {
    DevsimProcess devsim;
    const QString users = QStringLiteral(
        "Channels=4\nUser1=admin\nPassword1=1234\nRights1=58\nUser2=viewer\nPassword2=v\nRights2=4\n");
    ASSERT_TRUE(devsim.start(DeviceSection("normal", devsim.address(2), users) +
                             DeviceSection("refusing", devsim.address(3), users + "VerifyFault=refuse") +
                             DeviceSection("slow", devsim.address(4), users + "VerifyDelayMs=5000") +
                             DeviceSection("garbage", devsim.address(5), users + "VerifyFault=garbage") +
                             DeviceSection("oversized", devsim.address(6), users + "VerifyFault=oversized") +
                             DeviceSection("silent", devsim.address(7), users + "VerifyFault=silence") +
                             DeviceSection("closing", devsim.address(8), users + "VerifyFault=close") +
                             DeviceSection("trickling", devsim.address(10), users + "TrickleMs=100")))
        << devsim.errorString().toStdString();
    const auto library = CreateTcpClientLibrary(FastOptions());

    const struct {
        const char* what;
        std::string host;
        std::int32_t port;
        const char* user;
        const char* password;
        std::int32_t expected;
    } cases[] = {
        {"verified", devsim.address(2), 7050, "admin", "1234", 458},
        {"wrong password", devsim.address(2), 7050, "admin", "12345", 401},
        {"unknown user", devsim.address(2), 7050, "nobody", "", 400},
        {"rights too low", devsim.address(2), 7050, "viewer", "v", 404},
        {"nothing listening", devsim.address(9), 7050, "admin", "1234", VerifyError::ConnectFailed},
        {"empty host", "", 7050, "admin", "1234", VerifyError::BadHost},
        {"port out of range", devsim.address(2), 70000, "admin", "1234", VerifyError::BadPort},
        {"refused by the device", devsim.address(3), 7050, "admin", "1234", VerifyError::Refused},
        {"answer too late", devsim.address(4), 7050, "admin", "1234", VerifyError::NoAnswer},
        {"garbage answer", devsim.address(5), 7050, "admin", "1234", VerifyError::ProtocolError},
        {"oversized answer", devsim.address(6), 7050, "admin", "1234", VerifyError::ProtocolError},
        {"silence", devsim.address(7), 7050, "admin", "1234", VerifyError::NoAnswer},
        {"closed without answer", devsim.address(8), 7050, "admin", "1234", VerifyError::ClosedEarly},
        // 20 bytes 100 ms apart: the answer is not whole within the answer timeout.
        {"answer trickled", devsim.address(10), 7050, "admin", "1234", VerifyError::NoAnswer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto began = std::chrono::steady_clock::now();
        EXPECT_EQ(library->NV_VerifyUser({c.user, c.password, c.host, c.port}), c.expected);
        EXPECT_LT(std::chrono::steady_clock::now() - began, FastOptions().answerTimeout + 500ms);
    }
    EXPECT_TRUE(
        devsim.waitForLogLine({"session", "device=normal", "kind=verify", "user=viewer", "answer=404"}, 2s));
}

class CommandConnectionE2E : public testing::Test {
protected:
    void SetUp() override {
        const QString device = QStringLiteral(
            "Channels=4\nFirmware=9.7\n"
            "User1=admin\nPassword1=1234\nRights1=58\nSearchChannels1=1,3-4\n"
            "User2=guest\nPassword2=g\nRights2=50\nSearchChannels2=2\n"
            "Recordings=rec\n"
            "Recording1=ch1-auto.264, 2024-03-01 08:00:00, 2024-03-01 08:10:00, 1, auto\n"
            "Recording2=ch1-alarm.mp4, 2024-03-01 09:00:00, 2024-03-01 09:05:00, 1, alarm\n"
            "Recording3=ch1-late.264, 2024-03-01 22:00:00, 2024-03-01 22:30:00, 1, auto\n"
            "Recording4=ch2-manual.264, 2024-03-01 08:00:00, 2024-03-01 08:30:00, 2, manual\n");
        ASSERT_TRUE(QDir(devsim.directory()).mkdir(QStringLiteral("rec")));
        ASSERT_TRUE(devsim.writeFile(QStringLiteral("rec/ch1-auto.264"), PatternBytes(1536)));
        ASSERT_TRUE(devsim.start(DeviceSection("dvr", devsim.address(2), device)))
            << devsim.errorString().toStdString();
        library->NV_SetTCPClientCustomReciveCallback(received.callback());
        handle = library->NV_ConnectTCPServer({devsim.address(2), 7050});
        ASSERT_GT(handle, 0);
    }

    std::vector<SearchResultRecord> search(const SearchRequest& request) {
        return SearchRecordings(*library, handle, received, request);
    }

    static std::uint64_t At(int hour, int minute) { return *ToFileTime({2024, 3, 1, hour, minute, 0, 0}); }

    DevsimProcess devsim;
    ReceivedMessages received;  // outlives the library, whose threads call into it
    std::shared_ptr<TcpClientLibrary> library = CreateTcpClientLibrary(FastOptions());
    std::int32_t handle = 0;
};

TEST_F(CommandConnectionE2E, SearchResultsArriveAs292ByteCode101Messages) {
    const auto results = search(
        BuildSearchRequest(At(7, 0), At(12, 0), 1, RecordType::All, SearchRequestStyle::OldFirmware, ""));
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].fileName.view(), "ch1-auto.264");
    EXPECT_EQ(results[0].startTime, At(8, 0));
    EXPECT_EQ(results[0].endTime, At(8, 10));
    EXPECT_EQ(results[0].fileSize, 1536);
    EXPECT_EQ(results[0].channel, 1);
    EXPECT_EQ(results[0].recordType, RecordType::Auto);
    EXPECT_EQ(results[1].fileName.view(), "ch1-alarm.mp4");
    EXPECT_EQ(results[1].fileSize, 0);  // listed, but its file is missing
    for (const auto& message : received.all()) {
        if (MessageCode(message.bytes.data(), message.bytes.size()) == kSearchResultCode) {
            EXPECT_EQ(message.bytes.size(), 292u);
        }
    }

    const struct {
        const char* what;
        SearchRequest request;
        std::vector<std::string> expected;
    } cases[] = {
        {"type filter",
         BuildSearchRequest(At(0, 0), At(23, 59), 1, RecordType::Auto, SearchRequestStyle::OldFirmware, ""),
         {"ch1-auto.264", "ch1-late.264"}},
        {"time filter: overlap counts",
         BuildSearchRequest(At(8, 5), At(9, 0), 1, RecordType::All, SearchRequestStyle::OldFirmware, ""),
         {"ch1-auto.264", "ch1-alarm.mp4"}},
        {"other channel",
         BuildSearchRequest(At(0, 0), At(23, 59), 2, RecordType::All, SearchRequestStyle::OldFirmware, ""),
         {"ch2-manual.264"}},
        {"new firmware, user may search",
         BuildSearchRequest(At(0, 0), At(23, 59), 1, RecordType::Alarm, SearchRequestStyle::NewFirmware,
                            "admin"),
         {"ch1-alarm.mp4"}},
        {"new firmware, user may not search",
         BuildSearchRequest(At(0, 0), At(23, 59), 1, RecordType::All, SearchRequestStyle::NewFirmware,
                            "guest"),
         {}},
        {"new firmware, unknown user",
         BuildSearchRequest(At(0, 0), At(23, 59), 2, RecordType::All, SearchRequestStyle::NewFirmware,
                            "nobody"),
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> names;
        for (const auto& record : search(c.request)) names.push_back(record.fileName.str());
        EXPECT_EQ(names, c.expected);
    }
    EXPECT_TRUE(devsim.waitForLogLine({"search", "style=new", "user=guest", "results=0"}, 2s));
}

TEST_F(CommandConnectionE2E, DeviceInformationReplyAndDisconnectFromInsideTheCallback) {
    // As the program does: the reply's handler closes the connection from within the callback.
    std::atomic<int> disconnectedInCallback{0};
    library->NV_SetTCPClientCustomReciveCallback(
        received.callback([&](const ReceivedMessages::Message& message) {
            if (MessageCode(message.bytes.data(), message.bytes.size()) != kDeviceInfoCode) return;
            library->NV_DisConnectTCPServer(message.handle);
            ++disconnectedInCallback;
        }));
    const auto request = RecordBytes(BuildDeviceInfoRequest("admin", "1234"));
    ASSERT_EQ(library->NV_ClientSendBuf(handle, request.data(), 268, 0), 268);
    ASSERT_TRUE(received.waitFor([](const auto& messages) { return !messages.empty(); }, 5s));
    const auto message = received.all().front();
    EXPECT_EQ(message.handle, handle);
    const auto reply = ParseDeviceInfoReply(message.bytes.data(), message.bytes.size());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->version.major, 9);
    EXPECT_EQ(reply->version.minor, 7);
    const std::array<std::uint8_t, 6> expectedRights{1, 0, 1, 1, 0, 0};
    EXPECT_TRUE(std::equal(expectedRights.begin(), expectedRights.end(), reply->channelRights.begin()));
    EXPECT_EQ(disconnectedInCallback, 1);
    EXPECT_EQ(library->NV_ClientSendBuf(handle, request.data(), 268, 0), -1);
    EXPECT_TRUE(devsim.waitForLogLine({"kind=command", "outcome=client-closed"}, 2s));

    // A wrong password gets no search rights at all.
    const std::int32_t second = library->NV_ConnectTCPServer({devsim.address(2), 7050});
    ASSERT_GT(second, handle);
    const auto wrong = RecordBytes(BuildDeviceInfoRequest("admin", "0000"));
    ASSERT_EQ(library->NV_ClientSendBuf(second, wrong.data(), 268, 0), 268);
    ASSERT_TRUE(received.waitFor([&](const auto& messages) { return messages.back().handle == second; }, 5s));
    const auto denied =
        ParseDeviceInfoReply(received.all().back().bytes.data(), received.all().back().bytes.size());
    ASSERT_TRUE(denied);
    EXPECT_TRUE(std::all_of(denied->channelRights.begin(), denied->channelRights.end(),
                            [](auto r) { return r == 0; }));
}

TEST_F(CommandConnectionE2E, DisconnectingWhileACallbackRunsReturnsAtOnceAndEndsTheDeliveries) {
    std::mutex gate;
    std::unique_lock closed(
        gate);  // the callback waits on it, as a handler waiting for the main thread's lock would
    std::atomic<int> callbacks{0};
    std::promise<void> firstCallback;
    library->NV_SetTCPClientCustomReciveCallback([&](std::int32_t, const std::uint8_t*, std::int32_t) {
        if (++callbacks == 1) firstCallback.set_value();
        std::lock_guard wait(gate);
    });
    const auto bytes = RecordBytes(
        BuildSearchRequest(At(0, 0), At(23, 59), 1, RecordType::All, SearchRequestStyle::OldFirmware, ""));
    ASSERT_EQ(library->NV_ClientSendBuf(handle, bytes.data(), 284, 0), 284);
    ASSERT_EQ(firstCallback.get_future().wait_for(5s), std::future_status::ready);

    const auto began = std::chrono::steady_clock::now();
    library->NV_DisConnectTCPServer(handle);  // the callback is blocked: this must not wait for it
    EXPECT_LT(std::chrono::steady_clock::now() - began, 500ms);
    closed.unlock();
    // Three results and the end message were on their way; none is delivered after the disconnect.
    library.reset();  // joins the connection's thread
    EXPECT_EQ(callbacks, 1);
}

TEST(TcpClientE2E, FiftyMegabytesArriveByteExactWithNotificationsInOrder) {
    DevsimProcess devsim;
    const QByteArray content = PatternBytes(50'000'000);
    ASSERT_TRUE(devsim.writeFile(QStringLiteral("big.264"), content));
    ASSERT_TRUE(devsim.start(DeviceSection("dvr", devsim.address(2), CatalogueLine(1, "big.264"))))
        << devsim.errorString().toStdString();
    TransferClient client;
    const QString target = devsim.filePath(QStringLiteral("copy.264"));
    const std::int32_t transfer = client.getRemoteFile("big.264", target, devsim.address(2));
    ASSERT_GT(transfer, 0);
    ASSERT_TRUE(client.waitForCode(transfer, TransferCode::Over, 60s));

    const auto notifications = client.notifications(transfer);
    ASSERT_GE(notifications.size(), 4u);
    EXPECT_EQ(notifications.front().code, TransferCode::Begin);
    EXPECT_EQ(notifications.front().value, 50'000'000);
    for (std::size_t i = 1; i + 2 < notifications.size(); ++i) {
        ASSERT_EQ(notifications[i].code, TransferCode::Block) << i;
        ASSERT_GT(notifications[i].count, 0) << i;
    }
    EXPECT_EQ(notifications[notifications.size() - 2].code, TransferCode::Complete);
    EXPECT_EQ(notifications.back().code, TransferCode::Over);
    EXPECT_EQ(BytesAnnounced(notifications), 50'000'000);
    for (const auto& message : client.received.all()) EXPECT_EQ(message.bytes.size(), 520u);
    EXPECT_TRUE(ReadWholeFile(target) == content);  // not EXPECT_EQ: 50 MB would be printed on failure
    EXPECT_NE(client.library->NV_StopGetRemoteFile(transfer), 0);  // an ended transfer counts as stopped
    EXPECT_EQ(client.library->NV_StopGetRemoteFile(transfer + 1000), 0);
}

TEST(TcpClientE2E, StoppedTransferKeepsWhatArrivedAndReportsNothingMore) {
    DevsimProcess devsim;
    const QByteArray content = PatternBytes(20'000'000, 7);
    ASSERT_TRUE(devsim.writeFile(QStringLiteral("slow.mp4"), content));
    ASSERT_TRUE(devsim.start(
        DeviceSection("dvr", devsim.address(2),
                      "TransferRate=4000000\nTransferBlock=65536\n" + CatalogueLine(1, "slow.mp4"))))
        << devsim.errorString().toStdString();
    TransferClient client;
    const QString target = devsim.filePath(QStringLiteral("part.mp4"));
    const std::int32_t transfer = client.getRemoteFile("slow.mp4", target, devsim.address(2));
    ASSERT_GT(transfer, 0);
    ASSERT_TRUE(client.received.waitFor(
        [&](const auto& messages) {
            return BytesAnnounced(NotificationsOf(messages, transfer)) >= 1'000'000;
        },
        10s));

    EXPECT_NE(client.library->NV_StopGetRemoteFile(transfer), 0);
    const auto atStop = client.notifications(transfer);
    const QByteArray kept = ReadWholeFile(target);
    EXPECT_EQ(kept.size(), BytesAnnounced(atStop));  // every announced block is in the file, nothing more
    EXPECT_LT(kept.size(), content.size());
    EXPECT_TRUE(content.startsWith(kept));
    EXPECT_TRUE(devsim.waitForLogLine({"kind=transfer", "file=slow.mp4", "outcome=client-closed"}, 5s));
    EXPECT_EQ(client.notifications(transfer).size(), atStop.size());
    EXPECT_EQ(ReadWholeFile(target).size(), kept.size());
}

TEST(TcpClientE2E, DeviceFailuresArriveAs113WithTheirReason) {
    DevsimProcess devsim;
    ASSERT_TRUE(
        QDir(devsim.directory()).mkdir(QStringLiteral("a-folder.264")));  // exists, but no file to open
    ASSERT_TRUE(devsim.start(DeviceSection(
        "dvr", devsim.address(2), CatalogueLine(1, "missing.264") + CatalogueLine(2, "a-folder.264"))))
        << devsim.errorString().toStdString();
    TransferClient client;
    const struct {
        const char* remoteName;
        std::int32_t reason;
    } cases[] = {
        {"not-in-the-catalogue.264", TransferFailure::NoSuchFile},
        {"missing.264", TransferFailure::NoSuchFile},
        {"a-folder.264", TransferFailure::CannotOpen},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.remoteName);
        const QString target = devsim.filePath(QStringLiteral("out-") + QLatin1String(c.remoteName));
        const std::int32_t transfer = client.getRemoteFile(c.remoteName, target, devsim.address(2));
        ASSERT_GT(transfer, 0);
        ASSERT_TRUE(client.waitForCode(transfer, TransferCode::Failed, 5s));
        const auto notifications = client.notifications(transfer);
        ASSERT_EQ(notifications.size(), 1u);
        EXPECT_EQ(notifications[0].value, c.reason);
    }
    // A transfer that cannot even connect fails at once, with no handle.
    EXPECT_EQ(client.getRemoteFile("missing.264", devsim.filePath("x"), devsim.address(9)), 0);
}

TEST(TcpClientE2E, PtzRecordsArriveByteExactOnEveryPath) {
    DevsimProcess devsim;
    ASSERT_TRUE(devsim.start(DeviceSection("dvr", devsim.address(2), "Port=5050\nChannels=4") +
                             DeviceSection("nvr", devsim.address(3), "Port=6000\nChannels=8")))
        << devsim.errorString().toStdString();
    const auto library = CreateTcpClientLibrary(FastOptions());

    PtzCommandFields fields;
    fields.speed = 4;
    fields.channel = 3;
    fields.parameter = 10;
    fields.userName = "abcdefghijklmnopqrstuvwxyz012345";  // 32 characters: cut to 31
    fields.password = "pw";
    const struct {
        const char* path;
        std::string address;
        std::int32_t libraryPort;  // 0: the raw socket on the channel's stream port
        std::uint16_t rawPort;
        std::uint8_t code;
    } cases[] = {
        {"session200000", devsim.address(2), 5050 - 10 + 200000, 0, 101},
        {"session100000", devsim.address(2), 5050 - 10 + 100000, 0, 112},
        {"raw", devsim.address(2), 0, 6789, 103},
        {"raw", devsim.address(3), 0, 16000, 107},
        {"session200000", devsim.address(3), 6000 - 10 + 200000, 0, 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.path << " " << c.address);
        fields.code = c.code;
        const auto record = RecordBytes(BuildPtzCommand(fields));
        if (c.libraryPort != 0) {
            const std::int32_t handle = library->NV_ConnectTCPServer({c.address, c.libraryPort});
            ASSERT_GT(handle, 0);
            EXPECT_EQ(library->NV_ClientSendBuf(handle, record.data(), 128, 0), 128);
            library->NV_DisConnectTCPServer(handle);
        } else {
            TcpSocket socket = TcpSocket::connectTo(c.address, c.rawPort, 2s);
            ASSERT_TRUE(socket.valid());
            ASSERT_EQ(socket.sendAll(record.data(), record.size(), 2s), TcpSocket::Status::Ok);
        }
        const QString hex =
            QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(record.data()), 128).toHex());
        const auto line = devsim.waitForLogLine(
            {"ptz", "path=" + QString(c.path), "code=" + QString::number(c.code), "bytes=" + hex}, 5s);
        ASSERT_TRUE(line);
        EXPECT_EQ(devsim::LogValue(*line, "user"), "abcdefghijklmnopqrstuvwxyz01234");
        EXPECT_EQ(devsim::LogValue(*line, "channel"), "3");
    }
}

}  // namespace
}  // namespace strovik::test
