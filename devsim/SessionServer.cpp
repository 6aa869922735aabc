#include "SessionServer.h"

#include <chrono>

namespace strovik::devsim {

namespace {

// The accept thread wakes this often to notice a stop even if the listener's shutdown did not wake it.
constexpr TcpSocket::Milliseconds kAcceptSlice{500};

}  // namespace

SessionServer::SessionServer(std::string label, TcpListener listener, std::size_t maxSessions, EventLog& log,
                             Handler handler)
    : label_(std::move(label)),
      listener_(std::move(listener)),
      maxSessions_(maxSessions),
      log_(log),
      handler_(std::move(handler)) {}

SessionServer::~SessionServer() {
    stop();
}

void SessionServer::start() {
    acceptThread_ = std::jthread([this](std::stop_token stop) { acceptLoop(stop); });
}

void SessionServer::stop() {
    if (acceptThread_.joinable()) {
        acceptThread_.request_stop();
        listener_.shutdown();
        acceptThread_.join();
    }
    std::list<std::unique_ptr<Session>> sessions;
    {
        std::lock_guard lock(mutex_);
        sessions.swap(sessions_);
    }
    for (const auto& session : sessions) {
        session->thread.request_stop();
        std::lock_guard lock(session->mutex);
        session->socket.shutdown();
    }
    for (const auto& session : sessions) session->thread.join();
}

void SessionServer::acceptLoop(std::stop_token stop) {
    while (!stop.stop_requested()) {
        TcpSocket socket = listener_.accept(kAcceptSlice);
        if (!socket.valid()) continue;
        std::lock_guard lock(mutex_);
        reapFinished();
        if (sessions_.size() >= maxSessions_) {
            LogLine("session-refused")
                .add("port", label_)
                .add("peer", socket.peerAddress())
                .add("reason", "too many sessions")
                .writeTo(log_);
            continue;
        }
        auto session = std::make_unique<Session>();
        session->socket = std::move(socket);
        Session* served = session.get();
        try {
            served->thread = std::jthread([this, served](std::stop_token sessionStop) {
                handler_(served->socket, sessionStop);
                {
                    std::lock_guard closing(served->mutex);
                    served->socket.close();
                }
                served->finished = true;
            });
        } catch (const std::system_error&) {
            LogLine("session-refused").add("port", label_).add("reason", "no thread").writeTo(log_);
            continue;
        }
        sessions_.push_back(std::move(session));
    }
}

void SessionServer::reapFinished() {
    sessions_.remove_if([](const std::unique_ptr<Session>& session) {
        if (!session->finished) return false;
        session->thread.join();
        return true;
    });
}

}  // namespace strovik::devsim
