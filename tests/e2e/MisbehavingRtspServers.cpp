#include "e2e/MisbehavingRtspServers.h"

#include <chrono>

namespace strovik::test {

namespace {

using namespace std::chrono_literals;

// Reads until the client goes or the wait ends.
void Drain(TcpSocket& socket) {
    std::uint8_t request[512];
    std::size_t received = 0;
    while (socket.receiveSome(request, sizeof request, &received, 10s) == TcpSocket::Status::Ok) {
    }
}

}  // namespace

std::unique_ptr<SessionListener> MuteRtspServer() {
    return std::make_unique<SessionListener>([](TcpSocket& socket, std::stop_token) { Drain(socket); });
}

std::unique_ptr<SessionListener> GarbageRtspServer(std::string answer) {
    return std::make_unique<SessionListener>([answer = std::move(answer)](TcpSocket& socket, std::stop_token) {
        std::uint8_t request[512];
        std::size_t received = 0;
        if (socket.receiveSome(request, sizeof request, &received, 5s) != TcpSocket::Status::Ok) return;
        if (socket.sendAll(answer.data(), answer.size(), 1s) != TcpSocket::Status::Ok) return;
        Drain(socket);
    });
}

}  // namespace strovik::test
