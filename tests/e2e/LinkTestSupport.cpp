#include "LinkTestSupport.h"

#include "devicelibs/wire/TransferNotification.h"

#include <gtest/gtest.h>

#include <QFile>

namespace strovik::test {

TcpClientOptions FastOptions() {
    TcpClientOptions options;
    options.connectTimeout = 2s;
    options.answerTimeout = 1s;
    options.sendTimeout = 2s;
    options.transferIdleTimeout = 1s;
    return options;
}

TcpReceiveCallback ReceivedMessages::callback(std::function<void(const Message&)> onMessage) {
    return [this, onMessage = std::move(onMessage)](std::int32_t handle, const std::uint8_t* data,
                                                    std::int32_t length) {
        Message message{handle, std::vector<std::uint8_t>(data, data + length)};
        if (onMessage) onMessage(message);
        {
            std::lock_guard lock(mutex_);
            messages_.push_back(std::move(message));
        }
        changed_.notify_all();
    };
}

std::vector<ReceivedMessages::Message> ReceivedMessages::all() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

bool ReceivedMessages::waitFor(const std::function<bool(const std::vector<Message>&)>& done,
                               std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return done(messages_); });
}

std::vector<SearchResultRecord> SearchRecordings(TcpClientLibrary& library, std::int32_t connection,
                                                 const ReceivedMessages& received, const SearchRequest& request) {
    const std::size_t before = received.all().size();
    const auto bytes = RecordBytes(request);
    EXPECT_EQ(library.NV_ClientSendBuf(connection, bytes.data(), static_cast<std::int32_t>(bytes.size()), 0),
              static_cast<std::int32_t>(bytes.size()));
    EXPECT_TRUE(received.waitFor(
        [&](const auto& messages) {
            for (std::size_t i = before; i < messages.size(); ++i)
                if (ParseSearchFinishedMessage(messages[i].bytes.data(), messages[i].bytes.size())) return true;
            return false;
        },
        5s));
    std::vector<SearchResultRecord> results;
    const auto messages = received.all();
    for (std::size_t i = before; i < messages.size(); ++i) {
        EXPECT_EQ(messages[i].handle, connection);
        if (const auto record = ParseSearchResultMessage(messages[i].bytes.data(), messages[i].bytes.size()))
            results.push_back(*record);
    }
    return results;
}

std::vector<Notification> NotificationsOf(const std::vector<ReceivedMessages::Message>& messages,
                                          std::int32_t handle) {
    std::vector<Notification> notifications;
    for (const auto& message : messages) {
        if (message.handle != handle) continue;
        const auto parsed = ParseTransferNotification(message.bytes.data(), message.bytes.size());
        notifications.push_back(parsed ? Notification{parsed->code, parsed->count, parsed->value}
                                       : Notification{-999, 0, 0});
    }
    return notifications;
}

std::int64_t BytesAnnounced(const std::vector<Notification>& notifications) {
    std::int64_t bytes = 0;
    for (const Notification& notification : notifications)
        if (notification.code == TransferCode::Block) bytes += notification.count;
    return bytes;
}

bool HasCode(const std::vector<ReceivedMessages::Message>& messages, std::int32_t handle, std::int32_t code) {
    for (const Notification& notification : NotificationsOf(messages, handle))
        if (notification.code == code) return true;
    return false;
}

TransferClient::TransferClient() : library(CreateTcpClientLibrary(FastOptions())) {
    library->NV_SetTCPClientReciveCallback(received.callback());
}

std::int32_t TransferClient::getRemoteFile(const std::string& remoteName, const QString& localPath,
                                           const std::string& host) {
    return library->NV_GetRemoteFile({remoteName, localPath.toStdString(), host, 7050});
}

std::vector<Notification> TransferClient::notifications(std::int32_t transfer) const {
    return NotificationsOf(received.all(), transfer);
}

bool TransferClient::waitForCode(std::int32_t transfer, std::int32_t code,
                                 std::chrono::milliseconds timeout) const {
    return received.waitFor([&](const auto& messages) { return HasCode(messages, transfer, code); }, timeout);
}

QString CatalogueLine(int n, const QString& fileName) {
    return QStringLiteral("Recording%1=%2, 2024-03-01 08:00:00, 2024-03-01 09:00:00, 1, auto\n")
        .arg(n)
        .arg(fileName);
}

QByteArray PatternBytes(std::int64_t size, std::uint32_t seed) {
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    std::uint32_t state = seed * 2654435761u + 1;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = static_cast<char>(state);
    }
    return bytes;
}

QString DeviceSection(const QString& name, const std::string& address, const QString& lines) {
    return QStringLiteral("[Device %1]\nAddress=%2\n%3\n").arg(name, QString::fromStdString(address), lines);
}

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace strovik::test
