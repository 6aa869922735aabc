#include "SessionContext.h"

#include "devicelibs/wire/MessageFraming.h"

#include <sys/socket.h>

#include <condition_variable>
#include <cstring>
#include <mutex>

namespace strovik::devsim {

namespace {

constexpr TcpSocket::Milliseconds kSendTimeout{10000};

}  // namespace

SessionContext::SessionContext(const SimulatedDevice& device, const DevsimConfig& config, EventLog& log,
                               TcpSocket& socket, std::stop_token stop, std::uint32_t sessionNumber)
    : device(device),
      config(config),
      log(log),
      socket(socket),
      stop(std::move(stop)),
      peer(socket.peerAddress()),
      random_(config.seed ^ (sessionNumber * 2654435761u)) {}

LogLine SessionContext::line(std::string_view event) const {
    LogLine line(event);
    line.add("device", device.name).add("peer", peer);
    return line;
}

bool SessionContext::send(const void* data, std::size_t length) {
    const std::chrono::milliseconds pauseBetweenBytes = device.faults.trickleBytePause;
    if (pauseBetweenBytes.count() == 0)
        return SendMessage(socket, data, length, kSendTimeout) == MessageStatus::Ok;
    // The TrickleMs knob: the same message, framed as SendMessage frames it, a byte at a time.
    std::vector<std::uint8_t> framed(4 + length);
    PutLittleEndian32(framed.data(), static_cast<std::uint32_t>(length));
    if (length > 0) std::memcpy(framed.data() + 4, data, length);
    for (const std::uint8_t byte : framed) {
        if (!pause(pauseBetweenBytes) || socket.sendAll(&byte, 1, kSendTimeout) != TcpSocket::Status::Ok)
            return false;
    }
    return true;
}

void SessionContext::sendOversizedHeader() {
    std::uint8_t header[4];
    PutLittleEndian32(header, kMaxMessageBytes + 1);
    socket.sendAll(header, sizeof header, kSendTimeout);
}

void SessionContext::resetConnection() {
    const linger abortive{1, 0};
    ::setsockopt(socket.descriptor(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
}

bool SessionContext::pause(std::chrono::milliseconds duration) const {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, stop, duration, [] { return false; });
    return !stop.stop_requested();
}

void SessionContext::waitForClientToLeave() {
    std::uint8_t buffer[4096];
    std::size_t got = 0;
    while (!stop.stop_requested() &&
           socket.receiveSome(buffer, sizeof buffer, &got, config.idleTimeout) == TcpSocket::Status::Ok) {
    }
}

bool SessionContext::closeAtRandom() {
    if (device.faults.closeChancePercent <= 0) return false;
    return std::uniform_int_distribution<int>(1, 100)(random_) <= device.faults.closeChancePercent;
}

const char* SessionContext::receiveRequest(std::vector<std::uint8_t>& message, LogLine& summary) {
    switch (ReceiveMessage(socket, message, config.idleTimeout, kStallTimeout)) {
        case MessageStatus::Ok:
            break;
        case MessageStatus::TimedOut:
            return Outcome::Idle;
        case MessageStatus::Closed:
            return Outcome::ClientLeft;
        case MessageStatus::TooLong:
        case MessageStatus::Failed:
            summary.add("reason", "broken framing");
            return Outcome::BadMessage;
    }
    if (!closeAtRandom()) return nullptr;
    resetConnection();
    return Outcome::RandomClose;
}

}  // namespace strovik::devsim
