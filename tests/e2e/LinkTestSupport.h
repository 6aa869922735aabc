#pragma once

#include "devicelibs/TcpClientLibrary.h"
#include "devicelibs/tcpclient/TcpClientFactory.h"
#include "devicelibs/wire/SearchRequest.h"
#include "devicelibs/wire/SearchResultRecord.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace strovik::test {

using namespace std::chrono_literals;

// Short library timeouts, so that fault tests end quickly; the defaults are documented elsewhere.
TcpClientOptions FastOptions();

// What a receive callback got, kept for a test thread to wait on. Callbacks may run on any thread.
class ReceivedMessages {
public:
    struct Message {
        std::int32_t handle;
        std::vector<std::uint8_t> bytes;
    };

    // A callback that records every message; onMessage (optional) runs first, on the library
    // thread, so that a test that saw a message also sees what its handler did.
    TcpReceiveCallback callback(std::function<void(const Message&)> onMessage = {});

    std::vector<Message> all() const;
    // Waits until the recorded messages satisfy done; false at the deadline.
    bool waitFor(const std::function<bool(const std::vector<Message>&)>& done,
                 std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Message> messages_;
};

// Sends a record search on an open command connection and waits (5 s) for the device's
// end-of-search message; returns the results that came before it, in order. received must be the
// connection's receive callback.
std::vector<SearchResultRecord> SearchRecordings(TcpClientLibrary& library, std::int32_t connection,
                                                 const ReceivedMessages& received, const SearchRequest& request);

// Transfer notifications of one handle, decoded.
struct Notification {
    std::int32_t code;
    std::int32_t count;
    std::int32_t value;
};
std::vector<Notification> NotificationsOf(const std::vector<ReceivedMessages::Message>& messages,
                                          std::int32_t handle);
// The bytes the 112 notifications announced.
std::int64_t BytesAnnounced(const std::vector<Notification>& notifications);
bool HasCode(const std::vector<ReceivedMessages::Message>& messages, std::int32_t handle, std::int32_t code);

// The library with a receive callback that records every transfer notification.
class TransferClient {
public:
    TransferClient();
    // NV_GetRemoteFile from the device's verification port 7050 (device port 5050).
    std::int32_t getRemoteFile(const std::string& remoteName, const QString& localPath,
                               const std::string& host);
    std::vector<Notification> notifications(std::int32_t transfer) const;
    bool waitForCode(std::int32_t transfer, std::int32_t code, std::chrono::milliseconds timeout) const;

    ReceivedMessages received;  // declared first: outlives the library, whose threads call into it
    std::shared_ptr<TcpClientLibrary> library;
};

// A catalogue line of a devsim device section: RecordingN=name on channel 1, an hour of 2024-03-01.
QString CatalogueLine(int n, const QString& fileName);

// Deterministic file content that no shifted or truncated copy matches.
QByteArray PatternBytes(std::int64_t size, std::uint32_t seed = 1);

// A [Device ...] section of a devsim config: the name, its address and the extra key=value lines.
QString DeviceSection(const QString& name, const std::string& address, const QString& lines = {});

QByteArray ReadWholeFile(const QString& path);

}  // namespace strovik::test
