#include "devicelibs/tcpclient/SessionOpening.h"

#include "devicelibs/tcpclient/VerifyError.h"
#include "devicelibs/wire/MessageFraming.h"

#include <chrono>

namespace strovik {

std::int32_t ConnectErrorCode(const std::string& error, bool refused,
                              std::chrono::steady_clock::duration spent,
                              TcpClientOptions::Milliseconds timeout) {
    if (refused) return VerifyError::ConnectFailed;
    if (error.starts_with("cannot resolve")) return VerifyError::BadHost;
    if (spent >= timeout) return VerifyError::ConnectTimedOut;
    return VerifyError::ConnectFailed;
}

SessionHello MakeHello(SessionKind kind) {
    SessionHello hello{};
    hello.kind = static_cast<std::int32_t>(kind);
    return hello;
}

SessionStart ConnectAndSendHello(const std::string& host, std::uint16_t port, const SessionHello& hello,
                                 const TcpClientOptions& options) {
    SessionStart start;
    if (host.empty()) {
        start.error = VerifyError::BadHost;
        return start;
    }
    if (port == 0) {
        start.error = VerifyError::BadPort;
        return start;
    }
    std::string error;
    bool refused = false;
    const auto began = std::chrono::steady_clock::now();
    start.socket = TcpSocket::connectTo(host, port, options.connectTimeout, &error, &refused);
    if (!start.socket.valid()) {
        start.error = ConnectErrorCode(error, refused, std::chrono::steady_clock::now() - began,
                                       options.connectTimeout);
        return start;
    }
    if (SendMessage(start.socket, &hello, sizeof hello, options.sendTimeout) != MessageStatus::Ok) {
        start.socket.close();
        start.error = VerifyError::SendFailed;
    }
    return start;
}

SessionReply ReceiveSessionAnswer(TcpSocket& socket, SessionKind kind,
                                  TcpClientOptions::Milliseconds timeout) {
    SessionReply reply;
    std::vector<std::uint8_t> message;
    switch (ReceiveMessage(socket, message, std::chrono::steady_clock::now() + timeout)) {
        case MessageStatus::Ok:
            break;
        case MessageStatus::TimedOut:
            reply.error = VerifyError::NoAnswer;
            return reply;
        case MessageStatus::TooLong:
            reply.error = VerifyError::ProtocolError;
            return reply;
        case MessageStatus::Closed:
        case MessageStatus::Failed:
            reply.error = VerifyError::ClosedEarly;
            return reply;
    }
    const auto answer = ParseSessionAnswer(message.data(), message.size());
    if (!answer || answer->kind != static_cast<std::int32_t>(kind)) {
        reply.error = VerifyError::ProtocolError;
        return reply;
    }
    reply.answer = *answer;
    return reply;
}

OpenedSession OpenSession(const std::string& host, std::uint16_t port, const SessionHello& hello,
                          const TcpClientOptions& options) {
    OpenedSession opened;
    SessionStart start = ConnectAndSendHello(host, port, hello, options);
    opened.error = start.error;
    if (start.error != 0) return opened;
    const SessionReply reply =
        ReceiveSessionAnswer(start.socket, static_cast<SessionKind>(hello.kind), options.answerTimeout);
    opened.error = reply.error;
    opened.answer = reply.answer;
    if (reply.error == 0) opened.socket = std::move(start.socket);
    return opened;
}

}  // namespace strovik
