#include "devicelibs/tcpclient/CommandConnection.h"

#include "devicelibs/wire/MessageFraming.h"

#include <chrono>

namespace strovik {

namespace {

// A command connection may rest for as long as its owner keeps it (between searches, between PTZ
// commands); the reader just waits again. Stopping wakes it at once by shutting the socket down.
constexpr TcpSocket::Milliseconds kRestSlice = std::chrono::minutes(10);

}  // namespace

CommandConnection::CommandConnection(std::int32_t handle, TcpSocket socket,
                                     std::shared_ptr<const CallbackSlot> receiver,
                                     const TcpClientOptions& options)
    : SocketWorker(handle, std::move(socket)), receiver_(std::move(receiver)), options_(options) {}

std::int32_t CommandConnection::send(const std::uint8_t* buffer, std::int32_t length) {
    if (length < 0 || (buffer == nullptr && length > 0)) return -1;
    if (!mayContinue()) return -1;
    std::lock_guard lock(sendMutex_);
    const MessageStatus status =
        SendMessage(socket_, buffer, static_cast<std::size_t>(length), options_.sendTimeout);
    return status == MessageStatus::Ok ? length : -1;
}

void CommandConnection::run() {
    std::vector<std::uint8_t> message;
    while (true) {
        const MessageStatus status = ReceiveMessage(socket_, message, kRestSlice, options_.answerTimeout);
        if (status == MessageStatus::TimedOut) continue;
        if (status != MessageStatus::Ok || !mayContinue()) return;
        receiver_->invoke(handle(), message.data(), message.size());
    }
}

}  // namespace strovik
