// Devices that misbehave after accepting a live session: the stream ends with the lost-stream
// event, no worker thread stays behind, nothing crashes.
#include "devicelibs/ffmpeg/FfmpegVideoClient.h"
#include "devicelibs/video/FrameFormat.h"
#include "devicelibs/video/LiveSessionProtocol.h"
#include "devicelibs/wire/MessageFraming.h"
#include "devsim/media/MediaCache.h"
#include "e2e/SessionListener.h"
#include "e2e/VideoTestSupport.h"

#include <gtest/gtest.h>

#include <QTest>

#include <random>

namespace strovik {
namespace {

using namespace std::chrono_literals;
using test::kVideoEventMessage;

using Misbehaviour = std::function<void(TcpSocket& socket)>;

std::vector<std::uint8_t> FrameMessage(std::uint32_t announcedLength, std::uint8_t type,
                                       const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> message(kFrameHeaderBytes + body.size());
    WriteFrameHeader(message.data(), {announcedLength, 0, type});
    std::copy(body.begin(), body.end(), message.begin() + kFrameHeaderBytes);
    return message;
}

// Answers every request as a healthy device would, then does `after` and waits for the client
// to leave.
test::SessionListener::Handler AcceptThen(Misbehaviour after) {
    return [after = std::move(after)](TcpSocket& socket, std::stop_token) {
        std::vector<std::uint8_t> request;
        if (ReceiveMessage(socket, request, 2s) != MessageStatus::Ok) return;
        LiveStreamAnswer answer;
        answer.width = 640;
        answer.height = 360;
        answer.framesPerSecond = 25;
        if (SendMessage(socket, EncodeRecord(answer), 2s) != MessageStatus::Ok) return;
        after(socket);
        std::uint8_t rest[4096];
        std::size_t received = 0;
        while (socket.receiveSome(rest, sizeof rest, &received, 10s) == TcpSocket::Status::Ok) {
        }
    };
}

ClientStartInfo StartInfo(std::uint16_t port, RenderTarget* target) {
    ClientStartInfo info;
    info.port = port;
    info.address = "127.0.0.1";
    info.window = target;
    return info;
}

TEST(VideoClientBadInput, MisbehavingDevicesEndInTheLostStreamEvent) {
    const struct {
        const char* what;
        Misbehaviour after;
    } cases[] = {
        {"garbage instead of frames",
         [](TcpSocket& socket) {
             std::mt19937 random(1);
             std::vector<std::uint8_t> garbage(5000);
             for (std::uint8_t& byte : garbage) byte = static_cast<std::uint8_t>(random());
             socket.sendAll(garbage.data(), garbage.size(), 2s);
         }},
        {"a truncated frame, then the connection closes",
         [](TcpSocket& socket) {
             std::vector<std::uint8_t> message =
                 FrameMessage(5000, FrameType::Key, std::vector<std::uint8_t>(5000, 7));
             std::uint8_t length[4];
             PutLittleEndian32(length, static_cast<std::uint32_t>(message.size()));
             socket.sendAll(length, 4, 2s);
             socket.sendAll(message.data(), 100, 2s);
             socket.shutdown();
         }},
        {"a header announcing a body beyond 102384 bytes",
         [](TcpSocket& socket) {
             SendMessage(socket,
                         FrameMessage(kMaxFrameBodyBytes + 1, FrameType::Key, std::vector<std::uint8_t>(16)),
                         2s);
         }},
        {"a message too long for any frame",
         [](TcpSocket& socket) {
             std::uint8_t length[4];
             PutLittleEndian32(length, kFrameHeaderBytes + kMaxFrameBodyBytes + 1);
             socket.sendAll(length, 4, 2s);
         }},
        {"a header whose length disagrees with its message",
         [](TcpSocket& socket) {
             SendMessage(socket, FrameMessage(100, FrameType::Key, std::vector<std::uint8_t>(50)), 2s);
         }},
        {"silence", [](TcpSocket&) {}},
        {"a trickle of bytes that never makes a frame",
         [](TcpSocket& socket) {
             const std::uint8_t length[4] = {100, 0, 0, 0};
             for (const std::uint8_t byte : length) {
                 if (socket.sendAll(&byte, 1, 1s) != TcpSocket::Status::Ok) return;
                 std::this_thread::sleep_for(200ms);
             }
         }},
    };
    FfmpegVideoClient::Options options;
    options.silenceTimeout = 600ms;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::SessionListener device(AcceptThen(c.after));
        test::TargetWindow window({{160, 90}});
        FfmpegVideoClient client(options);
        test::VideoEventRecorder grid;
        client.X_ClientInit(kVideoEventMessage, &grid);
        const int threadsBefore = test::ThreadCount();
        const std::int32_t handle = client.X_ClientStart(StartInfo(device.port(), &window.target(0)), -1, 2);
        ASSERT_GE(handle, 1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !grid.events.empty(); }, 10000));
        EXPECT_EQ(grid.events[0].wParam, kStreamLostEvent);
        EXPECT_EQ(grid.events[0].lParam, handle - kStreamHandleBias);
        EXPECT_NE(client.X_ClientStop(handle, 2), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return test::ThreadCount() <= threadsBefore; }, 5000))
            << "worker left behind";
        EXPECT_EQ(window.target(0).picturesPainted(), 0);
        client.X_ClientCleanup();
    }
}

TEST(VideoClientBadInput, CorruptSlicesInAGoodStreamAreRiddenOut) {
    devsim::MediaCache media;
    const std::shared_ptr<const devsim::EncodedLoop> loop = media.loop({"Gate", 0, devsim::StreamKind::Main});
    ASSERT_TRUE(loop);
    std::atomic<bool> sending{true};
    test::SessionListener device(AcceptThen([&](TcpSocket& socket) {
        std::mt19937 random(3);
        for (int n = 0; sending; ++n) {
            std::vector<std::uint8_t> body = loop->pictures[n % devsim::kLoopFrames].data;
            // Every third picture gets a burst of noise in its slice data.
            if (n % 3 == 2 && body.size() > 64)
                for (std::size_t i = body.size() / 2; i < body.size() / 2 + 32; ++i)
                    body[i] = static_cast<std::uint8_t>(random());
            const std::uint8_t type = loop->pictures[n % devsim::kLoopFrames].frameType;
            if (SendMessage(socket, FrameMessage(static_cast<std::uint32_t>(body.size()), type, body), 2s) !=
                MessageStatus::Ok)
                return;
            std::this_thread::sleep_for(40ms);
        }
    }));
    test::TargetWindow window({{160, 90}});
    FfmpegVideoClient client;
    test::VideoEventRecorder grid;
    client.X_ClientInit(kVideoEventMessage, &grid);
    const std::int32_t handle = client.X_ClientStart(StartInfo(device.port(), &window.target(0)), -1, 2);
    ASSERT_GE(handle, 1);
    EXPECT_TRUE(test::WaitForPictures(window.target(0), 50, 15000));
    EXPECT_TRUE(grid.events.empty());
    sending = false;
    EXPECT_NE(client.X_ClientStop(handle, 2), 0);
}

}  // namespace
}  // namespace strovik
