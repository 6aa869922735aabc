// Whatever a device sends on a connection is read as messages, by each of the readers the
// libraries use, without reading past a message or holding one above its limit.
#include "FuzzSupport.h"
#include "devicelibs/video/LiveSessionReader.h"
#include "devicelibs/wire/MessageFraming.h"

#include <chrono>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace strovik;
    constexpr TcpSocket::Milliseconds kWait{50};
    const auto deadline = [] { return std::chrono::steady_clock::now() + std::chrono::milliseconds(50); };
    {
        TcpSocket socket = fuzz::ConnectionThatSent(data, size);
        std::vector<std::uint8_t> payload;
        while (ReceiveMessage(socket, payload, kWait) == MessageStatus::Ok)
            if (payload.size() > kMaxMessageBytes) std::abort();
    }
    {
        TcpSocket socket = fuzz::ConnectionThatSent(data, size);
        std::vector<std::uint8_t> payload;
        while (ReceiveMessage(socket, payload, kWait, kWait) == MessageStatus::Ok) {
        }
        (void)ReceiveMessage(socket, payload, deadline());
    }
    {
        // A limit below the buffer's room, so that both the limit and the room are exercised.
        constexpr std::size_t kRoom = 4096;
        LiveSessionReader reader(fuzz::ConnectionThatSent(data, size), kRoom);
        while (reader.next(kRoom / 2, deadline()) == LiveSessionReader::Result::Message)
            if (reader.size() > kRoom / 2) std::abort();
    }
    return 0;
}
