#include "e2e/SessionListener.h"

namespace strovik::test {

SessionListener::SessionListener(Handler handler, const std::string& address, std::uint16_t port)
    : handler_(std::move(handler)), listener_(TcpListener::listenOn(address, port)), port_(listener_.port()) {
    acceptor_ = std::thread([this] { acceptLoop(); });
}

SessionListener::~SessionListener() {
    stop_.request_stop();
    listener_.shutdown();
    acceptor_.join();
    std::lock_guard lock(mutex_);
    for (const auto& socket : sockets_) socket->shutdown();
    for (std::thread& session : sessions_) session.join();
}

void SessionListener::acceptLoop() {
    while (!stop_.stop_requested()) {
        TcpSocket accepted = listener_.accept(std::chrono::milliseconds(100));
        if (!accepted.valid()) continue;
        auto socket = std::make_shared<TcpSocket>(std::move(accepted));
        std::lock_guard lock(mutex_);
        sockets_.push_back(socket);
        sessions_.emplace_back([this, socket] { handler_(*socket, stop_.get_token()); });
    }
}

}  // namespace strovik::test
