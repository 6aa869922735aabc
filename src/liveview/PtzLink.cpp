#include "liveview/PtzLink.h"

#include "devicelibs/TcpClientLibrary.h"
#include "devicelibs/wire/WireRecord.h"
#include "devices/Functions.h"

#include <algorithm>

namespace strovik {

namespace {

constexpr std::int32_t kRecordBytes = static_cast<std::int32_t>(sizeof(PtzCommand));

bool SameRecord(const PtzCommand& a, const PtzCommand& b) {
    return RecordBytes(a) == RecordBytes(b);
}

}  // namespace

PtzLink::PtzLink(PtzTarget target, TcpClientLibrary& library, Options options, ConnectionReport report)
    : target_(std::move(target)),
      library_(library),
      options_(options),
      report_(std::move(report)),
      thread_([this] { run(); }) {}

PtzLink::~PtzLink() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        retired_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

bool PtzLink::enqueue(const PtzCommand& record) {
    const bool release = IsPtzReleaseCode(record.code);
    {
        std::lock_guard lock(mutex_);
        if (retired_) return false;
        const auto lastPress =
            std::find_if(queue_.rbegin(), queue_.rend(), [](const Entry& e) { return !e.release; });
        if (release) {
            const bool folded = std::any_of(queue_.rbegin(), lastPress,
                                            [&](const Entry& e) { return SameRecord(e.record, record); });
            if (folded) return true;
        } else {
            const auto presses =
                std::count_if(queue_.begin(), queue_.end(), [](const Entry& e) { return !e.release; });
            if (static_cast<std::size_t>(presses) >= options_.maxWaitingPresses) return false;
        }
        queue_.push_back(Entry{record, release});
    }
    wake_.notify_all();
    return true;
}

void PtzLink::retire() {
    {
        std::lock_guard lock(mutex_);
        retired_ = true;
    }
    wake_.notify_all();
}

bool PtzLink::finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

bool PtzLink::idle() const {
    std::lock_guard lock(mutex_);
    return queue_.empty() && !busy_;
}

void PtzLink::run() {
    for (;;) {
        Entry entry;
        bool stopping = false;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return retired_ || !queue_.empty(); });
            if (queue_.empty()) break;
            entry = queue_.front();
            queue_.pop_front();
            stopping = stopping_;
            busy_ = true;
        }
        // When the link ends, only stops still go out, and only on a connection already open.
        if (!stopping || entry.release) {
            const bool sent = sendOnce(entry.record, !stopping);
            if (!sent && entry.release && !stopping) sendOnce(entry.record, true);
        }
        std::lock_guard lock(mutex_);
        busy_ = false;
    }
    closeLibrary();
    controlSocket_.close();
    std::lock_guard lock(mutex_);
    finished_ = true;
}

bool PtzLink::sendOnce(const PtzCommand& record, bool mayConnect) {
    switch (target_.path) {
        case PtzPath::Library:
            if (connection_ == 0 && mayConnect) openLibrary();
            return connection_ != 0 && sendOnLibrary(record);
        case PtzPath::VendorDomain:
            // The older session is tried first; a device that refuses it takes the plain socket.
            if (connection_ == 0 && !controlSocket_.valid() && mayConnect) openLibrary();
            if (connection_ != 0) return sendOnLibrary(record);
            return sendOnSocket(record, mayConnect);
        case PtzPath::RawSocket:
            return sendOnSocket(record, mayConnect);
    }
    return false;
}

const QString& PtzLink::host() {
    if (!hostPrepared_) {
        // Resolves names other than the vendor's: may block for the resolver's timeouts.
        host_ = LibraryHost(target_.address);
        hostPrepared_ = true;
    }
    return host_;
}

void PtzLink::openLibrary() {
    const std::int32_t handle =
        library_.NV_ConnectTCPServer(TcpServerAddress{host().toStdString(), target_.libraryPort});
    if (handle > 0) {
        connection_ = handle;
        if (report_) report_(connection_, host());
    }
    pause(options_.connectPause);
}

bool PtzLink::sendOnLibrary(const PtzCommand& record) {
    const auto bytes = RecordBytes(record);
    if (library_.NV_ClientSendBuf(connection_, bytes.data(), kRecordBytes, 0) == kRecordBytes) return true;
    // A short send closes the connection; the next command opens a new one.
    closeLibrary();
    return false;
}

bool PtzLink::sendOnSocket(const PtzCommand& record, bool mayConnect) {
    if (!controlSocket_.valid()) {
        if (!mayConnect) return false;
        // A socket that does not connect within the timeout drops the command.
        controlSocket_ =
            TcpSocket::connectTo(host().toStdString(), target_.socketPort, options_.socketConnectTimeout);
        if (!controlSocket_.valid()) return false;
    }
    const auto bytes = RecordBytes(record);
    if (controlSocket_.sendAll(bytes.data(), bytes.size(), options_.socketSendTimeout) ==
        TcpSocket::Status::Ok)
        return true;
    controlSocket_.close();
    return false;
}

void PtzLink::closeLibrary() {
    if (connection_ == 0) return;
    library_.NV_DisConnectTCPServer(connection_);
    connection_ = 0;
    if (report_) report_(0, QString());
}

void PtzLink::pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, duration, [this] { return stopping_; });
}

}  // namespace strovik
