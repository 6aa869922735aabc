// Faulty devices against the library, and faulty clients against devsim: every case ends in a
// failure code or notification within its timeout, and both sides keep serving.
#include "DevsimProcess.h"
#include "LinkTestSupport.h"
#include "devicelibs/tcpclient/VerifyError.h"
#include "devicelibs/wire/FileTime.h"
#include "devicelibs/wire/MessageFraming.h"
#include "devicelibs/wire/SearchRequest.h"
#include "devicelibs/wire/SearchResultRecord.h"
#include "devicelibs/wire/SessionRecords.h"
#include "devicelibs/wire/TransferNotification.h"
#include "platform/TcpSocket.h"

#include <gtest/gtest.h>

namespace strovik::test {
namespace {

using devsim::DevsimProcess;

const QString kRecording =
    QStringLiteral("Recording1=file.264, 2024-03-01 08:00:00, 2024-03-01 09:00:00, 1, auto\n");

std::vector<std::uint8_t> AllDaySearch() {
    const std::uint64_t start = *ToFileTime({2024, 3, 1, 0, 0, 0, 0});
    const std::uint64_t end = *ToFileTime({2024, 3, 1, 23, 59, 59, 0});
    return RecordBytes(
        BuildSearchRequest(start, end, 1, RecordType::All, SearchRequestStyle::OldFirmware, ""));
}

TEST(DevsimFaultsE2E, MalformedAndOversizedSearchAnswersAreSurvived) {
    DevsimProcess devsim;
    ASSERT_TRUE(devsim.writeFile(QStringLiteral("file.264"), PatternBytes(1000)));
    ASSERT_TRUE(
        devsim.start(DeviceSection("malformed", devsim.address(2), kRecording + "SearchFault=malformed") +
                     DeviceSection("oversized", devsim.address(3), kRecording + "SearchFault=oversized") +
                     DeviceSection("closing", devsim.address(4), kRecording + "CloseChance=100")))
        << devsim.errorString().toStdString();
    ReceivedMessages received;  // outlives the library, whose threads call into it
    const auto library = CreateTcpClientLibrary(FastOptions());
    library->NV_SetTCPClientCustomReciveCallback(received.callback());
    const auto request = AllDaySearch();

    // Malformed messages are handed over as they are; the program drops what it cannot use.
    const std::int32_t malformed = library->NV_ConnectTCPServer({devsim.address(2), 7050});
    ASSERT_GT(malformed, 0);
    ASSERT_EQ(library->NV_ClientSendBuf(malformed, request.data(), 284, 0), 284);
    ASSERT_TRUE(received.waitFor([](const auto& messages) { return messages.size() >= 3; }, 5s));
    const auto messages = received.all();
    EXPECT_EQ(messages[0].bytes.size(), 291u);
    EXPECT_FALSE(ParseSearchResultMessage(messages[0].bytes.data(), messages[0].bytes.size()));
    EXPECT_EQ(messages[1].bytes.size(), 2u);
    EXPECT_EQ(ParseSearchFinishedMessage(messages[2].bytes.data(), messages[2].bytes.size()), 1);

    // A length beyond the maximum, or a reset: the library ends the connection and its sends fail.
    for (const int n : {3, 4}) {
        SCOPED_TRACE(n);
        const std::int32_t handle = library->NV_ConnectTCPServer({devsim.address(n), 7050});
        ASSERT_GT(handle, 0);
        ASSERT_EQ(library->NV_ClientSendBuf(handle, request.data(), 284, 0), 284);
        const auto deadline = std::chrono::steady_clock::now() + FastOptions().answerTimeout + 2s;
        bool failed = false;
        while (!failed && std::chrono::steady_clock::now() < deadline) {
            ASSERT_TRUE(devsim.waitForLogLine(
                {"device=" + QString(n == 3 ? "oversized" : "closing"), "kind=command"}, 2s));
            failed = library->NV_ClientSendBuf(handle, request.data(), 284, 0) == -1;
        }
        EXPECT_TRUE(failed);
        library->NV_DisConnectTCPServer(handle);
    }
    EXPECT_EQ(received.all().size(), 3u);
}

TEST(DevsimFaultsE2E, TransferFaultsEndInFailureNotificationsKeepingThePartialFile) {
    DevsimProcess devsim;
    const QByteArray content = PatternBytes(3'000'000, 3);
    ASSERT_TRUE(devsim.writeFile(QStringLiteral("file.264"), content));
    const QString faultAfter = QStringLiteral("TransferBlock=100000\nTransferFaultAfter=1000000\n");
    ASSERT_TRUE(devsim.start(
        DeviceSection("drop", devsim.address(2), kRecording + faultAfter + "TransferFault=drop") +
        DeviceSection("stall", devsim.address(3), kRecording + faultAfter + "TransferFault=stall") +
        DeviceSection("oversized", devsim.address(4), kRecording + faultAfter + "TransferFault=oversized") +
        DeviceSection("closing", devsim.address(5), kRecording + "TransferBlock=100000\nCloseChance=100")))
        << devsim.errorString().toStdString();
    TransferClient client;
    // A reset discards what was still in flight, so after one the file holds at most what was sent.
    const struct {
        const char* what;
        int address;
        std::int64_t sent;
        bool reset;
    } cases[] = {
        {"reset mid-transfer", 2, 1'000'000, true},
        {"silence mid-transfer", 3, 1'000'000, false},
        {"length beyond the maximum", 4, 1'000'000, false},
        {"reset after the first block", 5, 100'000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString target = devsim.filePath(QStringLiteral("copy-%1.264").arg(c.address));
        const auto began = std::chrono::steady_clock::now();
        const std::int32_t transfer = client.getRemoteFile("file.264", target, devsim.address(c.address));
        ASSERT_GT(transfer, 0);
        ASSERT_TRUE(client.waitForCode(transfer, TransferCode::Failed, 10s));
        EXPECT_LT(std::chrono::steady_clock::now() - began, FastOptions().transferIdleTimeout + 3s);
        const auto notifications = client.notifications(transfer);
        EXPECT_EQ(notifications.front().code, TransferCode::Begin);
        EXPECT_EQ(notifications.back().code, TransferCode::Failed);
        EXPECT_EQ(notifications.back().value, TransferFailure::ConnectionLost);
        const QByteArray kept = ReadWholeFile(target);
        EXPECT_EQ(kept.size(), BytesAnnounced(notifications));
        if (c.reset) {
            EXPECT_LE(kept.size(), c.sent);
        } else {
            EXPECT_EQ(kept.size(), c.sent);
        }
        EXPECT_TRUE(content.startsWith(kept));
    }
}

TEST(DevsimFaultsE2E, AFullLocalDiskEndsTheTransferIn113) {
    DevsimProcess devsim;
    ASSERT_TRUE(devsim.writeFile(QStringLiteral("file.264"), PatternBytes(3'000'000)));
    ASSERT_TRUE(devsim.start(DeviceSection("dvr", devsim.address(2), kRecording)))
        << devsim.errorString().toStdString();
    TransferClient client;
    const std::int32_t transfer =
        client.getRemoteFile("file.264", QStringLiteral("/dev/full"), devsim.address(2));
    ASSERT_GT(transfer, 0);
    ASSERT_TRUE(client.waitForCode(transfer, TransferCode::Failed, 5s));
    const auto notifications = client.notifications(transfer);
    ASSERT_EQ(notifications.size(), 2u);
    EXPECT_EQ(notifications[0].code, TransferCode::Begin);
    EXPECT_EQ(notifications[1].value, TransferFailure::LocalWrite);
}

// Opens a raw connection to devsim's verification port and sends bytes as they are.
TcpSocket RawClient(const std::string& address, const std::vector<std::uint8_t>& bytes) {
    TcpSocket socket = TcpSocket::connectTo(address, 7050, 2s);
    EXPECT_TRUE(socket.valid());
    if (!bytes.empty()) {
        EXPECT_EQ(socket.sendAll(bytes.data(), bytes.size(), 2s), TcpSocket::Status::Ok);
    }
    return socket;
}

TEST(DevsimFaultsE2E, DevsimClosesBadSessionsAndKeepsServingTheOthers) {
    DevsimProcess devsim;
    ASSERT_TRUE(devsim.start(
        DeviceSection("dvr", devsim.address(2), "Channels=2\nUser1=admin\nPassword1=1234\nRights1=58"),
        "MaxSessions=8"))
        << devsim.errorString().toStdString();
    const auto library = CreateTcpClientLibrary(FastOptions());

    std::vector<std::uint8_t> garbage{12, 0, 0, 0};
    for (int i = 0; i < 12; ++i) garbage.push_back(static_cast<std::uint8_t>(0xA5 ^ i));
    std::vector<std::uint8_t> oversized(4);
    PutLittleEndian32(oversized.data(), kMaxMessageBytes + 1);
    SessionHello commandHello{};
    commandHello.kind = static_cast<std::int32_t>(SessionKind::Command);
    std::vector<std::uint8_t> truncatedSearch = {10, 1, 0, 0, 100, 0, 0, 0};  // announces 266 bytes, sends 4

    TcpSocket silent = RawClient(devsim.address(2), {});
    TcpSocket garbled = RawClient(devsim.address(2), garbage);
    TcpSocket huge = RawClient(devsim.address(2), oversized);
    TcpSocket shortRequest = RawClient(devsim.address(2), [&] {
        auto bytes = std::vector<std::uint8_t>(4);
        PutLittleEndian32(bytes.data(), sizeof commandHello);
        const auto hello = RecordBytes(commandHello);
        bytes.insert(bytes.end(), hello.begin(), hello.end());
        return bytes;
    }());
    std::vector<std::uint8_t> answer;
    ASSERT_EQ(ReceiveMessage(shortRequest, answer, 2s), MessageStatus::Ok);  // the command session is open
    const std::vector<std::uint8_t> unknownSearch = [] {
        std::vector<std::uint8_t> bytes(4 + 10);
        PutLittleEndian32(bytes.data(), 10);
        PutLittleEndian32(bytes.data() + 4, 100);
        return bytes;
    }();
    ASSERT_EQ(shortRequest.sendAll(unknownSearch.data(), unknownSearch.size(), 2s), TcpSocket::Status::Ok);
    TcpSocket truncated = RawClient(devsim.address(2), truncatedSearch);
    truncated.close();

    EXPECT_TRUE(devsim.waitForLogLine({"kind=none", "outcome=bad-message", "length=12"}, 5s));
    EXPECT_TRUE(devsim.waitForLogLine({"kind=none", "outcome=oversized-message"}, 5s));
    EXPECT_TRUE(
        devsim.waitForLogLine({"kind=command", "outcome=bad-message", "search request of 10 bytes"}, 5s));
    EXPECT_TRUE(devsim.waitForLogLine({"kind=none", "outcome=client-closed"}, 5s));
    // The silent client still holds its session; everyone else is served as usual.
    EXPECT_EQ(library->NV_VerifyUser({"admin", "1234", devsim.address(2), 7050}), 258);
    EXPECT_EQ(devsim.stop(), 0);  // SIGTERM ends the silent session too and joins every thread
    EXPECT_TRUE(devsim.logLines().last().startsWith("stopped"));
}

TEST(DevsimFaultsE2E, LibraryDestroyedWithOpenConnectionsAndRunningTransfers) {
    DevsimProcess devsim;
    ASSERT_TRUE(devsim.writeFile(QStringLiteral("file.264"), PatternBytes(5'000'000)));
    ASSERT_TRUE(devsim.start(
        DeviceSection("dvr", devsim.address(2), kRecording + "TransferRate=1000000\nTransferBlock=50000")))
        << devsim.errorString().toStdString();
    TransferClient client;
    ASSERT_GT(client.library->NV_ConnectTCPServer({devsim.address(2), 7050}), 0);
    ASSERT_GT(client.library->NV_ConnectTCPServer({devsim.address(2), 5050 - 10 + 200000}), 0);
    const std::int32_t transfer =
        client.getRemoteFile("file.264", devsim.filePath("copy.264"), devsim.address(2));
    ASSERT_GT(transfer, 0);
    ASSERT_TRUE(client.waitForCode(transfer, TransferCode::Block, 5s));

    const auto began = std::chrono::steady_clock::now();
    client.library.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - began, 1s);
    const std::size_t delivered = client.received.all().size();
    EXPECT_TRUE(devsim.waitForLogLine({"kind=transfer", "outcome=client-closed"}, 5s));
    EXPECT_TRUE(devsim.waitForLogLine({"kind=ptz", "outcome=client-closed"}, 5s));
    EXPECT_EQ(client.received.all().size(), delivered);
}

}  // namespace
}  // namespace strovik::test
