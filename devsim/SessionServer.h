#pragma once

#include "EventLog.h"
#include "platform/TcpSocket.h"

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

namespace strovik::devsim {

// One listening port: an accept thread and one thread per accepted session, at most maxSessions at
// a time (more are closed at once and logged). The handler serves the session on its thread; when
// it returns, the server closes the socket (a handler that wants a reset sets SO_LINGER 0 first).
// stop() ends everything: it requests stop on every session, shuts its socket down so that any
// wait ends, and joins every thread.
class SessionServer final {
public:
    using Handler = std::function<void(TcpSocket& socket, std::stop_token stop)>;

    SessionServer(std::string label, TcpListener listener, std::size_t maxSessions, EventLog& log,
                  Handler handler);
    ~SessionServer();
    SessionServer(const SessionServer&) = delete;
    SessionServer& operator=(const SessionServer&) = delete;

    void start();
    void stop();

private:
    struct Session {
        std::mutex mutex;  // guards the socket's end: closed by the session, shut down by stop()
        TcpSocket socket;
        std::jthread thread;
        std::atomic<bool> finished{false};
    };

    void acceptLoop(std::stop_token stop);
    void reapFinished();  // mutex_ held

    const std::string label_;
    TcpListener listener_;
    const std::size_t maxSessions_;
    EventLog& log_;
    const Handler handler_;
    std::mutex mutex_;
    std::list<std::unique_ptr<Session>> sessions_;
    std::jthread acceptThread_;
};

}  // namespace strovik::devsim
