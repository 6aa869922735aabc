#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace strovik {

namespace {

// poll() on one descriptor, retrying on EINTR; >0 ready, 0 timed out, <0 error.
int waitFor(int descriptor, short events, TcpSocket::Milliseconds timeout) {
    pollfd entry{descriptor, events, 0};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto left = std::chrono::duration_cast<TcpSocket::Milliseconds>(deadline - std::chrono::steady_clock::now());
        const int result = ::poll(&entry, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (result >= 0 || errno != EINTR) return result;
    }
}

bool resolveIpv4(const std::string& host, in_addr* address) {
    if (::inet_pton(AF_INET, host.c_str(), address) == 1) return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
    *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return true;
}

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

}  // namespace

TcpSocket::TcpSocket(int descriptor) : descriptor_(descriptor) {}
TcpSocket::~TcpSocket() { close(); }
TcpSocket::TcpSocket(TcpSocket&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        close();
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

std::pair<TcpSocket, TcpSocket> TcpSocket::connectedPair() {
    int descriptors[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, descriptors) != 0) return {};
    return {TcpSocket(descriptors[0]), TcpSocket(descriptors[1])};
}

TcpSocket TcpSocket::connectTo(const std::string& host, std::uint16_t port, Milliseconds timeout,
                               std::string* error, bool* refused) {
    if (refused) *refused = false;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    if (!resolveIpv4(host, &target.sin_addr)) {
        setError(error, "cannot resolve " + host);
        return {};
    }
    TcpSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.valid()) {
        setError(error, std::strerror(errno));
        return {};
    }
    int result = ::connect(socket.descriptor_, reinterpret_cast<sockaddr*>(&target), sizeof target);
    if (result != 0 && errno == EINPROGRESS) {
        const int ready = waitFor(socket.descriptor_, POLLOUT, timeout);
        if (ready == 0) {
            setError(error, "connection timed out");
            return {};
        }
        int code = 0;
        socklen_t length = sizeof code;
        ::getsockopt(socket.descriptor_, SOL_SOCKET, SO_ERROR, &code, &length);
        errno = code;
        result = ready > 0 && code == 0 ? 0 : -1;
    }
    if (result != 0) {
        if (refused) *refused = errno == ECONNREFUSED;
        setError(error, std::strerror(errno));
        return {};
    }
    // Blocking from here on; every wait goes through poll with its own deadline.
    ::fcntl(socket.descriptor_, F_SETFL, ::fcntl(socket.descriptor_, F_GETFL) & ~O_NONBLOCK);
    const int on = 1;
    ::setsockopt(socket.descriptor_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return socket;
}

TcpSocket::Status TcpSocket::sendAll(const void* data, std::size_t length, Milliseconds timeout) {
    const auto* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const int ready = waitFor(descriptor_, POLLOUT, timeout);
        if (ready == 0) return Status::TimedOut;
        if (ready < 0) return Status::Failed;
        const ssize_t sent = ::send(descriptor_, bytes, length, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            return errno == EPIPE || errno == ECONNRESET ? Status::Closed : Status::Failed;
        }
        bytes += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return Status::Ok;
}

TcpSocket::Status TcpSocket::receiveSome(void* buffer, std::size_t length, std::size_t* received,
                                         Milliseconds timeout) {
    *received = 0;
    while (true) {
        const int ready = waitFor(descriptor_, POLLIN, timeout);
        if (ready == 0) return Status::TimedOut;
        if (ready < 0) return Status::Failed;
        const ssize_t got = ::recv(descriptor_, buffer, length, MSG_DONTWAIT);
        if (got > 0) {
            *received = static_cast<std::size_t>(got);
            return Status::Ok;
        }
        if (got == 0) return Status::Closed;
        if (errno == EAGAIN || errno == EINTR) continue;
        return errno == ECONNRESET ? Status::Closed : Status::Failed;
    }
}

TcpSocket::Status TcpSocket::receiveExactly(void* buffer, std::size_t length, Milliseconds timeout) {
    auto* bytes = static_cast<char*>(buffer);
    while (length > 0) {
        std::size_t got = 0;
        const Status status = receiveSome(bytes, length, &got, timeout);
        if (status != Status::Ok) return status;
        bytes += got;
        length -= got;
    }
    return Status::Ok;
}

void TcpSocket::shutdown() {
    if (valid()) ::shutdown(descriptor_, SHUT_RDWR);
}

void TcpSocket::close() {
    if (valid()) ::close(std::exchange(descriptor_, -1));
}

std::string TcpSocket::peerAddress() const {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(descriptor_, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return {};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    return text;
}

std::uint16_t TcpSocket::localPort() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(descriptor_, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
    return ntohs(local.sin_port);
}

TcpListener::~TcpListener() { close(); }
TcpListener::TcpListener(TcpListener&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
TcpListener& TcpListener::operator=(TcpListener&& other) noexcept {
    if (this != &other) {
        close();
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

TcpListener TcpListener::listenOn(const std::string& address, std::uint16_t port, std::string* error) {
    TcpListener listener;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        setError(error, "not an IPv4 address: " + address);
        return listener;
    }
    listener.descriptor_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (!listener.valid()) {
        setError(error, std::strerror(errno));
        return listener;
    }
    const int on = 1;
    ::setsockopt(listener.descriptor_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(listener.descriptor_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(listener.descriptor_, SOMAXCONN) != 0) {
        setError(error, address + ":" + std::to_string(port) + ": " + std::strerror(errno));
        listener.close();
    }
    return listener;
}

std::uint16_t TcpListener::port() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(descriptor_, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
    return ntohs(local.sin_port);
}

TcpSocket TcpListener::accept(TcpSocket::Milliseconds timeout) {
    if (!valid() || waitFor(descriptor_, POLLIN, timeout) <= 0) return {};
    const int accepted = ::accept4(descriptor_, nullptr, nullptr, SOCK_CLOEXEC);
    if (accepted < 0) return {};
    const int on = 1;
    ::setsockopt(accepted, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return TcpSocket(accepted);
}

void TcpListener::shutdown() {
    if (valid()) ::shutdown(descriptor_, SHUT_RDWR);
}

void TcpListener::close() {
    if (valid()) ::close(std::exchange(descriptor_, -1));
}

}  // namespace strovik
