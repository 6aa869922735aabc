#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace strovik {

// Blocking TCP sockets with a deadline on every wait, for library and simulator threads (no event
// loop). Owning and move-only: the descriptor is closed by the destructor. shutdown() may be
// called from another thread to wake a thread blocked in a receive or send on the same socket.
class TcpSocket final {
public:
    using Milliseconds = std::chrono::milliseconds;

    enum class Status { Ok, Closed, TimedOut, Failed };

    TcpSocket() = default;
    explicit TcpSocket(int descriptor);
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Connects to an IPv4 address (dotted quad) or host name (resolved to IPv4), giving up after
    // timeout. On failure the socket is invalid and *error (when given) says why; *refused is set
    // when the peer actively refused.
    static TcpSocket connectTo(const std::string& host, std::uint16_t port, Milliseconds timeout,
                               std::string* error = nullptr, bool* refused = nullptr);

    // Two connected local stream sockets, for a party played inside this process: what one end
    // sends the other receives. Both invalid when the system has no descriptors left.
    static std::pair<TcpSocket, TcpSocket> connectedPair();

    bool valid() const { return descriptor_ >= 0; }
    int descriptor() const { return descriptor_; }

    // Sends all bytes or fails (peer gone, timeout between progress, shutdown).
    Status sendAll(const void* data, std::size_t length, Milliseconds timeout);
    // Waits up to timeout for data and reads what is there, at most length bytes.
    // Ok with *received > 0, Closed on an orderly close by the peer, TimedOut, or Failed.
    Status receiveSome(void* buffer, std::size_t length, std::size_t* received, Milliseconds timeout);
    // Reads exactly length bytes; timeout applies to each wait for more data.
    Status receiveExactly(void* buffer, std::size_t length, Milliseconds timeout);

    // Stops both directions: blocked calls on other threads return Closed or Failed.
    void shutdown();
    void close();

    std::string peerAddress() const;
    std::uint16_t localPort() const;

private:
    int descriptor_ = -1;
};

// A listening IPv4 TCP socket.
class TcpListener final {
public:
    TcpListener() = default;
    ~TcpListener();
    TcpListener(TcpListener&& other) noexcept;
    TcpListener& operator=(TcpListener&& other) noexcept;
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Binds address:port (port 0 picks a free one) with address reuse on.
    static TcpListener listenOn(const std::string& address, std::uint16_t port, std::string* error = nullptr);

    bool valid() const { return descriptor_ >= 0; }
    std::uint16_t port() const;
    // Waits up to timeout for a connection; an invalid socket on timeout, error or after shutdown().
    TcpSocket accept(TcpSocket::Milliseconds timeout);
    // Wakes a thread blocked in accept.
    void shutdown();
    void close();

private:
    int descriptor_ = -1;
};

}  // namespace strovik
