#include "devicelibs/discovery/UdpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace strovik {

namespace {

bool ToAddress(const std::string& address, std::uint16_t port, sockaddr_in* out) {
    *out = sockaddr_in{};
    out->sin_family = AF_INET;
    out->sin_port = htons(port);
    return ::inet_pton(AF_INET, address.c_str(), &out->sin_addr) == 1;
}

}  // namespace

UdpSocket::~UdpSocket() {
    close();
}
UdpSocket::UdpSocket(UdpSocket&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        close();
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

void UdpSocket::close() {
    if (valid()) ::close(std::exchange(descriptor_, -1));
}

UdpSocket UdpSocket::bindTo(const std::string& address, std::uint16_t port, std::string* error) {
    const auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return UdpSocket();
    };
    sockaddr_in local{};
    if (!ToAddress(address, port, &local)) return fail("not an IPv4 address: " + address);
    UdpSocket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket.valid()) return fail(std::strerror(errno));
    const int on = 1;
    ::setsockopt(socket.descriptor_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    if (::bind(socket.descriptor_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        return fail(address + ":" + std::to_string(port) + ": " + std::strerror(errno));
    return socket;
}

bool UdpSocket::joinGroup(const std::string& group, const std::string& interfaceAddress) {
    ip_mreq membership{};
    if (!valid() || ::inet_pton(AF_INET, group.c_str(), &membership.imr_multiaddr) != 1 ||
        ::inet_pton(AF_INET, interfaceAddress.c_str(), &membership.imr_interface) != 1)
        return false;
    return ::setsockopt(descriptor_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) == 0;
}

std::uint16_t UdpSocket::localPort() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(descriptor_, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
    return ntohs(local.sin_port);
}

bool UdpSocket::sendTo(const Peer& peer, const void* data, std::size_t length) {
    sockaddr_in target{};
    if (!valid() || !ToAddress(peer.address, peer.port, &target)) return false;
    const ssize_t sent = ::sendto(descriptor_, data, length, MSG_NOSIGNAL,
                                  reinterpret_cast<sockaddr*>(&target), sizeof target);
    return sent == static_cast<ssize_t>(length);
}

std::ptrdiff_t UdpSocket::receiveFrom(void* buffer, std::size_t capacity, Peer* from, Milliseconds timeout) {
    if (!valid()) return -1;
    pollfd entry{descriptor_, POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto left =
            std::chrono::duration_cast<Milliseconds>(deadline - std::chrono::steady_clock::now());
        const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready == 0) return -1;
        if (ready < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        sockaddr_in source{};
        socklen_t sourceLength = sizeof source;
        const ssize_t got = ::recvfrom(descriptor_, buffer, capacity, MSG_DONTWAIT,
                                       reinterpret_cast<sockaddr*>(&source), &sourceLength);
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            return -1;
        }
        if (from) {
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &source.sin_addr, text, sizeof text);
            from->address = text;
            from->port = ntohs(source.sin_port);
        }
        return got;
    }
}

}  // namespace strovik
