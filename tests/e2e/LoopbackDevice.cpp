#include "e2e/LoopbackDevice.h"

namespace strovik::test {

LoopbackDevice::LoopbackDevice(Handler handler)
    : handler_(std::move(handler)), listener_(TcpListener::listenOn("127.0.0.1", 0)), port_(listener_.port()) {
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackDevice::~LoopbackDevice() {
    stop_ = true;
    listener_.shutdown();
    acceptor_.join();
    std::lock_guard lock(mutex_);
    for (const auto& socket : sockets_) socket->shutdown();
    for (std::thread& session : sessions_) session.join();
}

void LoopbackDevice::acceptLoop() {
    while (!stop_) {
        TcpSocket accepted = listener_.accept(std::chrono::milliseconds(100));
        if (!accepted.valid()) continue;
        ++accepted_;
        auto socket = std::make_shared<TcpSocket>(std::move(accepted));
        std::lock_guard lock(mutex_);
        sockets_.push_back(socket);
        sessions_.emplace_back([this, socket] { handler_(*socket, stop_); });
    }
}

LoopbackDevice::Handler ServeMedia(devsim::LiveDevice device, devsim::MediaCache& media,
                                   devsim::LiveSessionOptions options) {
    return [device = std::move(device), &media, options](TcpSocket& socket, const std::atomic<bool>& stop) {
        devsim::ServeLiveSession(socket, device, media, stop, options);
    };
}

}  // namespace strovik::test
