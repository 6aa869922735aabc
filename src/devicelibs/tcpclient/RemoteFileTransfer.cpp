#include "devicelibs/tcpclient/RemoteFileTransfer.h"

#include "devicelibs/tcpclient/SessionOpening.h"
#include "devicelibs/wire/MessageFraming.h"
#include "devicelibs/wire/TransferNotification.h"

#include <algorithm>
#include <limits>

namespace strovik {

namespace {

// Notifications carry sizes in 32 bits; larger files announce the largest value that fits.
std::int32_t Clamp32(std::int64_t value) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, 0, std::numeric_limits<std::int32_t>::max()));
}

std::int32_t FailureOfAnswer(std::int32_t status) {
    switch (status) {
        case SessionStatus::NoSuchFile:
            return TransferFailure::NoSuchFile;
        case SessionStatus::CannotOpenFile:
            return TransferFailure::CannotOpen;
        default:
            return TransferFailure::ConnectionLost;
    }
}

}  // namespace

RemoteFileTransfer::RemoteFileTransfer(std::int32_t handle, TcpSocket socket,
                                       std::unique_ptr<QFile> localFile,
                                       std::shared_ptr<const CallbackSlot> receiver,
                                       const TcpClientOptions& options)
    : SocketWorker(handle, std::move(socket)),
      localFile_(std::move(localFile)),
      receiver_(std::move(receiver)),
      options_(options) {}

bool RemoteFileTransfer::notify(std::int32_t code, std::int32_t count, std::int32_t value) {
    if (!mayContinue()) return false;
    const TransferNotification notification = MakeTransferNotification(code, count, value);
    receiver_->invoke(handle(), &notification, sizeof notification);
    return true;
}

void RemoteFileTransfer::run() {
    const Outcome outcome = receiveFile();
    localFile_->close();
    switch (outcome.kind) {
        case Outcome::Kind::Complete:
            if (notify(TransferCode::Complete, 0, 0)) notify(TransferCode::Over, 0, 0);
            break;
        case Outcome::Kind::Failed:
            notify(TransferCode::Failed, 0, outcome.failure);
            break;
        case Outcome::Kind::Stopped:
            break;
    }
}

RemoteFileTransfer::Outcome RemoteFileTransfer::receiveFile() {
    constexpr Outcome stopped{Outcome::Kind::Stopped};
    const auto failed = [](std::int32_t failure) { return Outcome{Outcome::Kind::Failed, failure}; };

    const SessionReply reply =
        ReceiveSessionAnswer(socket_, SessionKind::FileTransfer, options_.answerTimeout);
    if (!mayContinue()) return stopped;
    if (reply.error != 0) return failed(TransferFailure::ConnectionLost);
    if (reply.answer.status != SessionStatus::Accepted) return failed(FailureOfAnswer(reply.answer.status));
    const std::int64_t total = reply.answer.fileSize;
    if (total < 0) return failed(TransferFailure::ConnectionLost);
    if (!notify(TransferCode::Begin, 0, Clamp32(total))) return stopped;

    std::int64_t received = 0;
    std::vector<std::uint8_t> block;
    while (true) {
        const MessageStatus status = ReceiveMessage(socket_, block, options_.transferIdleTimeout);
        if (!mayContinue()) return stopped;
        if (status != MessageStatus::Ok) return failed(TransferFailure::ConnectionLost);
        // An empty message ends the file; it must have brought exactly the announced size.
        if (block.empty())
            return received == total ? Outcome{Outcome::Kind::Complete}
                                     : failed(TransferFailure::ConnectionLost);
        const auto size = static_cast<std::int64_t>(block.size());
        if (received + size > total) return failed(TransferFailure::ConnectionLost);
        if (!beginWrite()) return stopped;
        const bool written = localFile_->write(reinterpret_cast<const char*>(block.data()), size) == size;
        endWrite();
        if (!written) return failed(TransferFailure::LocalWrite);
        received += size;
        if (!notify(TransferCode::Block, static_cast<std::int32_t>(size), 0)) return stopped;
    }
}

}  // namespace strovik
