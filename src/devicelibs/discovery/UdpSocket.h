#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace strovik {

// A blocking IPv4 UDP socket with a deadline on every wait; owning and move-only.
class UdpSocket final {
public:
    using Milliseconds = std::chrono::milliseconds;

    struct Peer {
        std::string address;  // dotted quad
        std::uint16_t port = 0;
    };

    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Binds address:port (a dotted quad; port 0 picks a free one). Broadcast sending is allowed,
    // so that a probe may go to 255.255.255.255. On failure the socket is invalid and *error says why.
    static UdpSocket bindTo(const std::string& address, std::uint16_t port, std::string* error = nullptr);

    bool valid() const { return descriptor_ >= 0; }
    std::uint16_t localPort() const;

    // Receives the datagrams sent to a multicast group on the interface that has interfaceAddress
    // (the socket is bound to the group's port). false when the system refuses.
    bool joinGroup(const std::string& group, const std::string& interfaceAddress);

    // One datagram to a dotted-quad address; false when it could not be sent.
    bool sendTo(const Peer& peer, const void* data, std::size_t length);
    // Waits up to timeout for one datagram. Returns its size (cut to capacity), or -1 on timeout or error.
    std::ptrdiff_t receiveFrom(void* buffer, std::size_t capacity, Peer* from, Milliseconds timeout);

private:
    explicit UdpSocket(int descriptor) : descriptor_(descriptor) {}
    void close();

    int descriptor_ = -1;
};

}  // namespace strovik
