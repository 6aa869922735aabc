#include "Sessions.h"
#include "devicelibs/wire/MessageFraming.h"
#include "devicelibs/wire/PtzCommand.h"

namespace strovik::devsim {

namespace {

void LogPtzRecord(SessionContext& session, std::string_view path, const std::uint8_t* bytes) {
    const PtzCommand command = *ReadRecord<PtzCommand>(bytes, sizeof(PtzCommand));
    session.line("ptz")
        .add("path", path)
        .add("group", command.group)
        .add("speed", command.speed)
        .add("byte2", command.reserved2)
        .add("code", command.code)
        .add("channel", command.channel)
        .add("parameter", command.parameter)
        .add("user", command.userName.view())
        .add("password", command.password.view())
        .add("bytes", HexText(bytes, sizeof(PtzCommand)))
        .writeTo(session.log);
}

}  // namespace

const char* ServePtzSession(SessionContext& session, const SessionHello& hello, LogLine& summary) {
    const std::string path = "session" + std::to_string(hello.portEncoding);
    summary.add("path", path);
    if (!SendSessionAnswer(session, SessionKind::Ptz, SessionStatus::Accepted)) return Outcome::ClientLeft;
    std::vector<std::uint8_t> message;
    while (true) {
        if (const char* ended = session.receiveRequest(message, summary)) return ended;
        if (message.size() != sizeof(PtzCommand)) {
            summary.add("reason", "PTZ record of " + std::to_string(message.size()) + " bytes");
            return Outcome::BadMessage;
        }
        LogPtzRecord(session, path, message.data());
    }
}

void ServeRawPtzPort(SessionContext& session) {
    LogLine summary = session.line("session");
    summary.add("kind", "raw-ptz");
    const char* outcome = Outcome::Done;
    std::uint8_t record[sizeof(PtzCommand)];
    while (outcome == Outcome::Done) {
        std::size_t got = 0;
        TcpSocket::Status status =
            session.socket.receiveSome(record, sizeof record, &got, session.config.idleTimeout);
        if (status == TcpSocket::Status::Ok)
            status = session.socket.receiveExactly(record + got, sizeof record - got, kStallTimeout);
        switch (status) {
            case TcpSocket::Status::Ok:
                if (session.closeAtRandom()) {
                    session.resetConnection();
                    outcome = Outcome::RandomClose;
                    break;
                }
                LogPtzRecord(session, "raw", record);
                break;
            case TcpSocket::Status::TimedOut:
                outcome = got == 0 ? Outcome::Idle : Outcome::BadMessage;
                break;
            case TcpSocket::Status::Closed:
                outcome = got == 0 ? Outcome::ClientLeft : Outcome::BadMessage;
                break;
            case TcpSocket::Status::Failed:
                outcome = Outcome::BadMessage;
                break;
        }
    }
    if (session.stop.stop_requested()) outcome = Outcome::Stopped;
    summary.add("outcome", outcome).writeTo(session.log);
}

}  // namespace strovik::devsim
