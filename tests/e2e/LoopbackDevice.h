#pragma once

#include "devsim/media/LiveSessionServer.h"
#include "platform/TcpSocket.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace strovik::test {

// A device's own port on 127.0.0.1 (a free port): every accepted connection is handed to the
// handler on a thread of its own. Until devsim hosts the media service, e2e tests host the live
// session server this way. The destructor stops the handlers (stop flag and socket shutdown) and
// joins every thread.
class LoopbackDevice final {
public:
    using Handler = std::function<void(TcpSocket& socket, const std::atomic<bool>& stop)>;

    explicit LoopbackDevice(Handler handler);
    ~LoopbackDevice();
    LoopbackDevice(const LoopbackDevice&) = delete;
    LoopbackDevice& operator=(const LoopbackDevice&) = delete;

    std::uint16_t port() const { return port_; }
    int connectionsAccepted() const { return accepted_; }

private:
    void acceptLoop();

    Handler handler_;
    TcpListener listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    std::mutex mutex_;
    std::vector<std::shared_ptr<TcpSocket>> sockets_;
    std::vector<std::thread> sessions_;
    std::thread acceptor_;
};

// A handler that serves the simulated media of device.
LoopbackDevice::Handler ServeMedia(devsim::LiveDevice device, devsim::MediaCache& media,
                                   devsim::LiveSessionOptions options = {});

}  // namespace strovik::test
