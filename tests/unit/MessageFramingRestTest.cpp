// The framing's wait for connections that rest between messages: a quiet peer is told apart from
// one that stalls inside a message.
#include "devicelibs/wire/MessageFraming.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

using namespace std::chrono_literals;

TEST(MessageFramingRest, IdleBetweenMessagesIsNotAnErrorButAStallInsideOneIs) {
    auto listener = TcpListener::listenOn("127.0.0.1", 0);
    TcpSocket client = TcpSocket::connectTo("127.0.0.1", listener.port(), 2s);
    TcpSocket server = listener.accept(2s);
    ASSERT_TRUE(client.valid() && server.valid());
    std::vector<std::uint8_t> got;

    EXPECT_EQ(ReceiveMessage(server, got, 50ms, 50ms), MessageStatus::TimedOut);  // nothing consumed
    ASSERT_EQ(SendMessage(client, std::vector<std::uint8_t>{7, 8, 9}, 1s), MessageStatus::Ok);
    EXPECT_EQ(ReceiveMessage(server, got, 1s, 1s), MessageStatus::Ok);
    EXPECT_EQ(got, (std::vector<std::uint8_t>{7, 8, 9}));

    const std::uint8_t halfHeader[] = {5, 0};
    ASSERT_EQ(client.sendAll(halfHeader, sizeof halfHeader, 1s), TcpSocket::Status::Ok);
    EXPECT_EQ(ReceiveMessage(server, got, 1s, 50ms), MessageStatus::Failed);

    TcpSocket other = TcpSocket::connectTo("127.0.0.1", listener.port(), 2s);
    TcpSocket otherServer = listener.accept(2s);
    std::uint8_t oversized[4];
    PutLittleEndian32(oversized, kMaxMessageBytes + 1);
    ASSERT_EQ(other.sendAll(oversized, sizeof oversized, 1s), TcpSocket::Status::Ok);
    EXPECT_EQ(ReceiveMessage(otherServer, got, 1s, 1s), MessageStatus::TooLong);
    other.close();
    EXPECT_EQ(ReceiveMessage(otherServer, got, 1s, 1s), MessageStatus::Closed);
}

}  // namespace
}  // namespace strovik
