#include "devicelibs/wire/MessageFraming.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace strovik {
namespace {

using namespace std::chrono_literals;

// A connected pair of sockets on loopback.
struct SocketPair {
    SocketPair() {
        listener = TcpListener::listenOn("127.0.0.1", 0);
        client = TcpSocket::connectTo("127.0.0.1", listener.port(), 2s);
        server = listener.accept(2s);
    }
    TcpListener listener;
    TcpSocket client;
    TcpSocket server;
};

TEST(MessageFraming, MessagesArriveWholeAndInOrder) {
    SocketPair pair;
    ASSERT_TRUE(pair.client.valid() && pair.server.valid());
    const std::vector<std::uint8_t> big(300000, 0xAB);
    const std::vector<std::uint8_t> small{1, 2, 3};
    std::thread sender([&] {
        EXPECT_EQ(SendMessage(pair.client, big, 2s), MessageStatus::Ok);
        EXPECT_EQ(SendMessage(pair.client, nullptr, 0, 2s), MessageStatus::Ok);
        EXPECT_EQ(SendMessage(pair.client, small, 2s), MessageStatus::Ok);
        pair.client.close();
    });
    std::vector<std::uint8_t> got;
    EXPECT_EQ(ReceiveMessage(pair.server, got, 2s), MessageStatus::Ok);
    EXPECT_EQ(got, big);
    EXPECT_EQ(ReceiveMessage(pair.server, got, 2s), MessageStatus::Ok);
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(ReceiveMessage(pair.server, got, 2s), MessageStatus::Ok);
    EXPECT_EQ(got, small);
    EXPECT_EQ(ReceiveMessage(pair.server, got, 2s), MessageStatus::Closed);
    sender.join();
}

TEST(MessageFraming, BadPeersEndInAStatusNotAHang) {
    {
        SocketPair pair;
        std::uint8_t header[4];
        PutLittleEndian32(header, kMaxMessageBytes + 1);
        ASSERT_EQ(pair.client.sendAll(header, 4, 1s), TcpSocket::Status::Ok);
        std::vector<std::uint8_t> got;
        EXPECT_EQ(ReceiveMessage(pair.server, got, 1s), MessageStatus::TooLong);
        EXPECT_TRUE(got.empty());
    }
    {
        SocketPair pair;  // a truncated message, then silence
        const std::uint8_t partial[] = {10, 0, 0, 0, 1, 2};
        ASSERT_EQ(pair.client.sendAll(partial, sizeof partial, 1s), TcpSocket::Status::Ok);
        std::vector<std::uint8_t> got;
        EXPECT_EQ(ReceiveMessage(pair.server, got, 200ms), MessageStatus::TimedOut);
    }
    {
        SocketPair pair;  // a reader blocked in another thread is woken by shutdown
        std::vector<std::uint8_t> got;
        std::thread reader([&] { EXPECT_EQ(ReceiveMessage(pair.server, got, 10s), MessageStatus::Closed); });
        std::this_thread::sleep_for(50ms);
        pair.server.shutdown();
        reader.join();
    }
    TcpSocket unconnected;
    EXPECT_EQ(SendMessage(unconnected, nullptr, kMaxMessageBytes + 1, 1s), MessageStatus::TooLong);
}

TEST(MessageFraming, ATricklingPeerCannotStretchADeadline) {
    SocketPair pair;
    std::atomic<bool> done{false};
    // A 6-byte message sent one byte every 100 ms: each wait is short, the whole takes ~1 s.
    std::thread trickler([&] {
        const std::uint8_t message[] = {2, 0, 0, 0, 7, 8};
        for (std::uint8_t byte : message) {
            if (done || pair.client.sendAll(&byte, 1, 1s) != TcpSocket::Status::Ok) return;
            std::this_thread::sleep_for(100ms);
        }
    });
    std::vector<std::uint8_t> got;
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(ReceiveMessage(pair.server, got, began + 300ms), MessageStatus::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - began, 600ms);
    done = true;
    trickler.join();
}

TEST(MessageFraming, ConnectingToAClosedPortIsRefusedQuickly) {
    std::uint16_t freePort = 0;
    {
        auto probe = TcpListener::listenOn("127.0.0.1", 0);
        freePort = probe.port();
    }
    std::string error;
    bool refused = false;
    const TcpSocket socket = TcpSocket::connectTo("127.0.0.1", freePort, 2s, &error, &refused);
    EXPECT_FALSE(socket.valid());
    EXPECT_TRUE(refused) << error;
}

TEST(MessageFraming, LittleEndianFields) {
    std::uint8_t bytes[8] = {};
    PutLittleEndian32(bytes, 0x01020304);
    EXPECT_EQ(bytes[0], 4);
    EXPECT_EQ(GetLittleEndian32(bytes), 0x01020304u);
    PutLittleEndian64(bytes, 0x1122334455667788ull);
    EXPECT_EQ(bytes[0], 0x88);
    EXPECT_EQ(GetLittleEndian64(bytes), 0x1122334455667788ull);
    PutLittleEndian16(bytes, 60000);
    EXPECT_EQ(GetLittleEndian16(bytes), 60000);
}

}  // namespace
}  // namespace strovik
