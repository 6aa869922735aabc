#include "Sessions.h"
#include "devicelibs/wire/MessageFraming.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>

namespace strovik::devsim {

namespace {

constexpr TcpSocket::Milliseconds kSendTimeout{10000};

const CatalogueEntry* FindEntry(const SimulatedDevice& device, std::string_view fileName) {
    for (const CatalogueEntry& entry : device.catalogue)
        if (entry.fileName == fileName) return &entry;
    return nullptr;
}

// The fault knob, once the transfer has sent faultAfter bytes.
const char* ApplyTransferFault(SessionContext& session, TransferFault fault) {
    switch (fault) {
        case TransferFault::Drop:
            session.resetConnection();
            return "fault-drop";
        case TransferFault::Stall:
            session.waitForClientToLeave();
            return "fault-stall";
        case TransferFault::Oversized:
            session.sendOversizedHeader();
            return "fault-oversized";
        case TransferFault::None:
            break;
    }
    return Outcome::Done;
}

}  // namespace

const char* ServeTransferSession(SessionContext& session, const SessionHello& hello, LogLine& summary) {
    const SimulatedDevice& device = session.device;
    summary.add("file", hello.fileName.view());
    const CatalogueEntry* entry = FindEntry(device, hello.fileName.view());
    const QString path = entry ? QString::fromStdString(device.recordingPath(*entry)) : QString();
    if (!entry || !QFileInfo::exists(path)) {
        SendSessionAnswer(session, SessionKind::FileTransfer, SessionStatus::NoSuchFile);
        return "no-such-file";
    }
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        SendSessionAnswer(session, SessionKind::FileTransfer, SessionStatus::CannotOpenFile);
        return "cannot-open";
    }
    const std::int64_t size = file.size();
    if (!SendSessionAnswer(session, SessionKind::FileTransfer, SessionStatus::Accepted, size))
        return Outcome::ClientLeft;

    const DeviceFaults& faults = device.faults;
    const bool faultPending = faults.transfer != TransferFault::None;
    const auto began = std::chrono::steady_clock::now();
    // One buffer holds the message header and the block, so that each block goes out in one send.
    std::vector<std::uint8_t> buffer(4 + static_cast<std::size_t>(device.transferBlockBytes));
    std::int64_t sent = 0;
    while (true) {
        if (faultPending && sent >= faults.transferFaultAfterBytes) {
            summary.add("bytes", sent);
            return ApplyTransferFault(session, faults.transfer);
        }
        if (sent == size) break;
        std::int64_t length = std::min<std::int64_t>(device.transferBlockBytes, size - sent);
        if (faultPending) length = std::min(length, faults.transferFaultAfterBytes - sent);
        if (file.read(reinterpret_cast<char*>(buffer.data() + 4), length) != length) {
            summary.add("bytes", sent);
            session.resetConnection();
            return "read-error";
        }
        PutLittleEndian32(buffer.data(), static_cast<std::uint32_t>(length));
        if (session.socket.sendAll(buffer.data(), 4 + static_cast<std::size_t>(length), kSendTimeout) !=
            TcpSocket::Status::Ok)
            return Outcome::ClientLeft;
        sent += length;
        if (session.closeAtRandom()) {
            session.resetConnection();
            return Outcome::RandomClose;
        }
        if (device.transferBytesPerSecond > 0) {
            const auto due =
                began + std::chrono::microseconds(sent * 1'000'000 / device.transferBytesPerSecond);
            const auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
            if (wait.count() > 0 && !session.pause(wait)) return Outcome::Stopped;
        }
    }
    summary.add("bytes", sent);
    return session.send(nullptr, 0) ? Outcome::Done : Outcome::ClientLeft;
}

}  // namespace strovik::devsim
