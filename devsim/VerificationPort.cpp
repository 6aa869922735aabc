#include "DeviceAnswers.h"
#include "Sessions.h"
#include "devicelibs/wire/MessageFraming.h"

namespace strovik::devsim {

namespace {

// A client has this long to say what it wants after connecting.
constexpr TcpSocket::Milliseconds kHelloTimeout{10000};

const char* ReceiveFailure(MessageStatus status) {
    switch (status) {
        case MessageStatus::TimedOut:
            return "no-hello";
        case MessageStatus::TooLong:
            return "oversized-message";
        case MessageStatus::Closed:
            return Outcome::ClientLeft;
        case MessageStatus::Ok:
        case MessageStatus::Failed:
            break;
    }
    return "socket-error";
}

}  // namespace

bool SendSessionAnswer(SessionContext& session, SessionKind kind, std::int32_t status,
                       std::int64_t fileSize) {
    const SessionAnswer answer{static_cast<std::int32_t>(kind), status, fileSize};
    return session.send(&answer, sizeof answer);
}

void ServeVerificationPort(SessionContext& session) {
    LogLine summary = session.line("session");
    std::vector<std::uint8_t> message;
    const MessageStatus status = ReceiveMessage(session.socket, message, std::chrono::steady_clock::now() + kHelloTimeout);
    if (status != MessageStatus::Ok) {
        summary.add("kind", "none").add("outcome", ReceiveFailure(status)).writeTo(session.log);
        return;
    }
    const auto hello = ParseSessionHello(message.data(), message.size());
    if (!hello) {
        summary.add("kind", "none")
            .add("outcome", Outcome::BadMessage)
            .add("length", message.size())
            .writeTo(session.log);
        return;
    }
    const auto kind = static_cast<SessionKind>(hello->kind);
    summary.add("kind", SessionKindName(kind));
    const char* outcome = Outcome::Done;
    switch (kind) {
        case SessionKind::Verify:
            outcome = ServeVerifySession(session, *hello, summary);
            break;
        case SessionKind::Command:
            outcome = ServeCommandSession(session, summary);
            break;
        case SessionKind::FileTransfer:
            outcome = ServeTransferSession(session, *hello, summary);
            break;
        case SessionKind::Ptz:
            outcome = ServePtzSession(session, *hello, summary);
            break;
    }
    if (session.stop.stop_requested()) outcome = Outcome::Stopped;
    summary.add("outcome", outcome).writeTo(session.log);
}

const char* ServeVerifySession(SessionContext& session, const SessionHello& hello, LogLine& summary) {
    const DeviceFaults& faults = session.device.faults;
    summary.add("user", hello.userName.view());
    if (faults.verifyDelay.count() > 0 && !session.pause(faults.verifyDelay)) return Outcome::Stopped;
    switch (faults.verify) {
        case VerifyFault::Refuse:
            SendSessionAnswer(session, SessionKind::Verify, SessionStatus::Refused);
            return "fault-refuse";
        case VerifyFault::Garbage: {
            static constexpr char garbage[] = "\x13garbage";
            session.send(garbage, sizeof garbage);
            return "fault-garbage";
        }
        case VerifyFault::Oversized:
            session.sendOversizedHeader();
            return "fault-oversized";
        case VerifyFault::Silence:
            session.waitForClientToLeave();
            return "fault-silence";
        case VerifyFault::Close:
            return "fault-close";
        case VerifyFault::None:
            break;
    }
    const std::int32_t answer =
        VerificationAnswer(session.device, hello.userName.view(), hello.password.view());
    summary.add("answer", answer);
    return SendSessionAnswer(session, SessionKind::Verify, answer) ? Outcome::Done : Outcome::ClientLeft;
}

}  // namespace strovik::devsim
