#pragma once

#include "platform/TcpSocket.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace strovik::devsim {

// A listening port that hands every accepted connection to a handler on a thread of its own, for
// hosting live sessions (ServeLiveSession) where devsim's own service does not: tests and the
// live decode benchmark. The destructor stops the handlers (stop flag and socket shutdown) and
// joins every thread.
class SessionListener final {
public:
    using Handler = std::function<void(TcpSocket& socket, const std::atomic<bool>& stop)>;

    // Listens on address (a loopback address in tests) at a free port.
    explicit SessionListener(Handler handler, const std::string& address = "127.0.0.1");
    ~SessionListener();
    SessionListener(const SessionListener&) = delete;
    SessionListener& operator=(const SessionListener&) = delete;

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

}  // namespace strovik::devsim
