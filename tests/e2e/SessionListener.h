#pragma once

#include "platform/TcpSocket.h"

#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace strovik::test {

// A scripted device for the live sessions that devsim will not play: a listening port on loopback
// that hands every accepted connection to a handler on a thread of its own. The destructor stops
// the handlers (stop request and socket shutdown) and joins every thread.
class SessionListener final {
public:
    using Handler = std::function<void(TcpSocket& socket, std::stop_token stop)>;

    // Listens on address at port, 0 for a free one (a device list names its devices by port).
    explicit SessionListener(Handler handler, const std::string& address = "127.0.0.1",
                             std::uint16_t port = 0);
    ~SessionListener();
    SessionListener(const SessionListener&) = delete;
    SessionListener& operator=(const SessionListener&) = delete;

    std::uint16_t port() const { return port_; }

private:
    void acceptLoop();

    Handler handler_;
    TcpListener listener_;
    std::uint16_t port_ = 0;
    std::stop_source stop_;
    std::mutex mutex_;
    std::vector<std::shared_ptr<TcpSocket>> sockets_;
    std::vector<std::thread> sessions_;
    std::thread acceptor_;
};

}  // namespace strovik::test
