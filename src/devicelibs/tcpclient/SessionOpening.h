#pragma once

#include "devicelibs/tcpclient/TcpClientFactory.h"
#include "devicelibs/wire/SessionRecords.h"
#include "platform/TcpSocket.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace strovik {

// The client's half of opening a session: connect, send the hello, read the device's answer. Each
// step keeps its timeout from TcpClientOptions. Failures carry a VerifyError code.
struct SessionStart {
    TcpSocket socket;  // valid when error == 0
    std::int32_t error = 0;
};

// The VerifyError code of a failed TcpSocket::connectTo, which reports why as text: the codes
// callers tell apart are refusal (also the offline-DDNS case), a name that does not resolve, and
// the timeout.
std::int32_t ConnectErrorCode(const std::string& error, bool refused, std::chrono::steady_clock::duration spent,
                              TcpClientOptions::Milliseconds timeout);

SessionStart ConnectAndSendHello(const std::string& host, std::uint16_t port, const SessionHello& hello,
                                 const TcpClientOptions& options);

struct SessionReply {
    SessionAnswer answer;
    std::int32_t error = 0;
};

// The answer to a hello of the given kind; an answer of another kind is a protocol error.
SessionReply ReceiveSessionAnswer(TcpSocket& socket, SessionKind kind,
                                  TcpClientOptions::Milliseconds timeout);

// Both steps on the calling thread.
struct OpenedSession {
    TcpSocket socket;
    SessionAnswer answer;
    std::int32_t error = 0;
};
OpenedSession OpenSession(const std::string& host, std::uint16_t port, const SessionHello& hello,
                          const TcpClientOptions& options);

SessionHello MakeHello(SessionKind kind);

}  // namespace strovik
