#include "devicelibs/wire/MessageFraming.h"

#include <algorithm>

namespace strovik {

namespace {

MessageStatus fromSocket(TcpSocket::Status status) {
    switch (status) {
        case TcpSocket::Status::Ok:
            return MessageStatus::Ok;
        case TcpSocket::Status::Closed:
            return MessageStatus::Closed;
        case TcpSocket::Status::TimedOut:
            return MessageStatus::TimedOut;
        case TcpSocket::Status::Failed:
            break;
    }
    return MessageStatus::Failed;
}

}  // namespace

const char* MessageStatusText(MessageStatus status) {
    switch (status) {
        case MessageStatus::Ok:
            return "ok";
        case MessageStatus::Closed:
            return "connection closed";
        case MessageStatus::TimedOut:
            return "timed out";
        case MessageStatus::TooLong:
            return "message longer than the maximum";
        case MessageStatus::Failed:
            break;
    }
    return "socket error";
}

MessageStatus SendMessage(TcpSocket& socket, const void* payload, std::size_t length, TcpSocket::Milliseconds timeout) {
    if (length > kMaxMessageBytes) return MessageStatus::TooLong;
    std::uint8_t header[4];
    PutLittleEndian32(header, static_cast<std::uint32_t>(length));
    const MessageStatus status = fromSocket(socket.sendAll(header, sizeof header, timeout));
    if (status != MessageStatus::Ok || length == 0) return status;
    return fromSocket(socket.sendAll(payload, length, timeout));
}

MessageStatus ReceiveMessage(TcpSocket& socket, std::vector<std::uint8_t>& payload, TcpSocket::Milliseconds timeout) {
    std::uint8_t header[4];
    MessageStatus status = fromSocket(socket.receiveExactly(header, sizeof header, timeout));
    if (status != MessageStatus::Ok) return status;
    const std::uint32_t length = GetLittleEndian32(header);
    if (length > kMaxMessageBytes) return MessageStatus::TooLong;
    payload.resize(length);
    if (length == 0) return MessageStatus::Ok;
    return fromSocket(socket.receiveExactly(payload.data(), length, timeout));
}

MessageStatus ReceiveMessage(TcpSocket& socket, std::vector<std::uint8_t>& payload, TcpSocket::Milliseconds idleTimeout,
                             TcpSocket::Milliseconds stallTimeout) {
    std::uint8_t header[4];
    std::size_t got = 0;
    MessageStatus status = fromSocket(socket.receiveSome(header, sizeof header, &got, idleTimeout));
    if (status != MessageStatus::Ok) return status;
    status = fromSocket(socket.receiveExactly(header + got, sizeof header - got, stallTimeout));
    if (status == MessageStatus::Ok) {
        const std::uint32_t length = GetLittleEndian32(header);
        if (length > kMaxMessageBytes) return MessageStatus::TooLong;
        payload.resize(length);
        if (length > 0) status = fromSocket(socket.receiveExactly(payload.data(), length, stallTimeout));
    }
    return status == MessageStatus::TimedOut ? MessageStatus::Failed : status;
}

namespace {

TcpSocket::Status receiveBefore(TcpSocket& socket, std::uint8_t* buffer, std::size_t length,
                                std::chrono::steady_clock::time_point deadline) {
    while (length > 0) {
        const auto left = std::max(std::chrono::duration_cast<TcpSocket::Milliseconds>(
                                       deadline - std::chrono::steady_clock::now()),
                                   TcpSocket::Milliseconds(0));
        std::size_t got = 0;
        const TcpSocket::Status status = socket.receiveSome(buffer, length, &got, left);
        if (status != TcpSocket::Status::Ok) return status;
        buffer += got;
        length -= got;
    }
    return TcpSocket::Status::Ok;
}

}  // namespace

MessageStatus ReceiveMessage(TcpSocket& socket, std::vector<std::uint8_t>& payload,
                             std::chrono::steady_clock::time_point deadline) {
    std::uint8_t header[4];
    MessageStatus status = fromSocket(receiveBefore(socket, header, sizeof header, deadline));
    if (status != MessageStatus::Ok) return status;
    const std::uint32_t length = GetLittleEndian32(header);
    if (length > kMaxMessageBytes) return MessageStatus::TooLong;
    payload.resize(length);
    return fromSocket(receiveBefore(socket, payload.data(), length, deadline));
}

void PutLittleEndian32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLittleEndian32(const std::uint8_t* at) {
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

void PutLittleEndian16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint16_t GetLittleEndian16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

void PutLittleEndian64(std::uint8_t* at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t GetLittleEndian64(const std::uint8_t* at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | at[i];
    return value;
}

}  // namespace strovik
