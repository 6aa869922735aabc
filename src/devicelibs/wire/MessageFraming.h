#pragma once

#include "platform/TcpSocket.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace strovik {

// All TCP traffic between our device libraries and a device is a sequence of messages, each a
// 4-byte little-endian payload length followed by that many payload bytes. A length above
// kMaxMessageBytes is a protocol error: the receiver closes the connection.
inline constexpr std::uint32_t kMaxMessageBytes = 4u * 1024 * 1024;

enum class MessageStatus {
    Ok,        // one whole message received (or sent)
    Closed,    // the peer closed the connection (or it was shut down)
    TimedOut,  // no data for the given time
    TooLong,   // the announced length is above kMaxMessageBytes
    Failed,    // any other socket error
};

const char* MessageStatusText(MessageStatus status);

// Sends one message; payloads above kMaxMessageBytes are refused with TooLong.
MessageStatus SendMessage(TcpSocket& socket, const void* payload, std::size_t length, TcpSocket::Milliseconds timeout);
inline MessageStatus SendMessage(TcpSocket& socket, const std::vector<std::uint8_t>& payload,
                                 TcpSocket::Milliseconds timeout) {
    return SendMessage(socket, payload.data(), payload.size(), timeout);
}

// Receives one message into payload (resized to fit). timeout applies to each wait for data, so a
// peer that trickles a message keeps it alive while one that goes silent times out.
MessageStatus ReceiveMessage(TcpSocket& socket, std::vector<std::uint8_t>& payload, TcpSocket::Milliseconds timeout);

// For the one message that opens or answers a session: it must arrive whole before deadline,
// however the peer doles it out, so that a peer trickling bytes cannot hold the reader longer.
MessageStatus ReceiveMessage(TcpSocket& socket, std::vector<std::uint8_t>& payload,
                             std::chrono::steady_clock::time_point deadline);

// For connections that may rest between messages: waits up to idleTimeout for the next message to
// begin (TimedOut then means that nothing was consumed, so the caller may simply wait again), and
// then up to stallTimeout for each further piece of it. A peer that stalls inside a message gives
// Failed, since the connection can no longer be read in step.
MessageStatus ReceiveMessage(TcpSocket& socket, std::vector<std::uint8_t>& payload, TcpSocket::Milliseconds idleTimeout,
                             TcpSocket::Milliseconds stallTimeout);

// Little-endian field access for building and parsing records at fixed offsets.
void PutLittleEndian32(std::uint8_t* at, std::uint32_t value);
std::uint32_t GetLittleEndian32(const std::uint8_t* at);
void PutLittleEndian16(std::uint8_t* at, std::uint16_t value);
std::uint16_t GetLittleEndian16(const std::uint8_t* at);
void PutLittleEndian64(std::uint8_t* at, std::uint64_t value);
std::uint64_t GetLittleEndian64(const std::uint8_t* at);

}  // namespace strovik
