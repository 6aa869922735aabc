// Throughput of a 200 MB remote file transfer through the device TCP client library and devsim into
// a local file, against a plain loopback socket copy of the same bytes into a file in the same
// folder (256 KiB reads and writes, sender reading the same source file), measured in the same run.
// Best of three rounds each, interleaved. Prints both rates and, last, their ratio.
#include "DevsimProcess.h"
#include "devicelibs/TcpClientLibrary.h"
#include "devicelibs/tcpclient/TcpClientFactory.h"
#include "devicelibs/wire/TransferNotification.h"
#include "platform/TcpSocket.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using strovik::TcpSocket;

constexpr qint64 kFileBytes = 200'000'000;
constexpr std::size_t kCopyChunk = 256 * 1024;
constexpr int kRounds = 3;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "bench transfer: %s\n", what);
    std::exit(1);
}

void WriteSource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) Fail("cannot write the source file");
    std::vector<char> chunk(1 << 20);
    std::uint32_t state = 12345;
    for (qint64 written = 0; written < kFileBytes; written += static_cast<qint64>(chunk.size())) {
        for (char& byte : chunk) byte = static_cast<char>(state = state * 1664525u + 1013904223u);
        const qint64 length = std::min<qint64>(static_cast<qint64>(chunk.size()), kFileBytes - written);
        if (file.write(chunk.data(), length) != length) Fail("cannot write the source file");
    }
}

double MegabytesPerSecond(qint64 nanoseconds) {
    return kFileBytes / 1e6 / (static_cast<double>(nanoseconds) / 1e9);
}

// Seconds for one transfer through the library, to its "transfer over" notification.
qint64 TransferNanoseconds(strovik::TcpClientLibrary& library, const std::string& host,
                           const QString& target) {
    QFile::remove(target);
    std::mutex mutex;
    std::condition_variable done;
    std::int32_t lastCode = 0;
    library.NV_SetTCPClientReciveCallback([&](std::int32_t, const std::uint8_t* data, std::int32_t length) {
        const auto notification = strovik::ParseTransferNotification(data, static_cast<std::size_t>(length));
        if (!notification || (notification->code != strovik::TransferCode::Over &&
                              notification->code != strovik::TransferCode::Failed))
            return;
        std::lock_guard lock(mutex);
        lastCode = notification->code;
        done.notify_all();
    });
    QElapsedTimer timer;
    timer.start();
    if (library.NV_GetRemoteFile({"bench.bin", target.toStdString(), host, 7050}) <= 0)
        Fail("the transfer did not start");
    std::unique_lock lock(mutex);
    if (!done.wait_for(lock, 60s, [&] { return lastCode != 0; })) Fail("the transfer did not end in time");
    const qint64 elapsed = timer.nsecsElapsed();
    if (lastCode != strovik::TransferCode::Over || QFile(target).size() != kFileBytes)
        Fail("the transfer failed");
    return elapsed;
}

// Seconds for the plain copy: one thread reads the source and sends it, this one receives and writes.
qint64 PlainCopyNanoseconds(const std::string& host, const QString& source, const QString& target) {
    QFile::remove(target);
    auto listener = strovik::TcpListener::listenOn(host, 0);
    if (!listener.valid()) Fail("cannot listen for the plain copy");
    QElapsedTimer timer;
    timer.start();
    std::thread sender([&] {
        TcpSocket socket = TcpSocket::connectTo(host, listener.port(), 5s);
        QFile in(source);
        if (!socket.valid() || !in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            Fail("plain copy: sender");
        std::vector<char> chunk(kCopyChunk);
        qint64 got = 0;
        while ((got = in.read(chunk.data(), static_cast<qint64>(chunk.size()))) > 0)
            if (socket.sendAll(chunk.data(), static_cast<std::size_t>(got), 10s) != TcpSocket::Status::Ok)
                Fail("plain copy: send");
    });
    TcpSocket socket = listener.accept(5s);
    QFile out(target);
    if (!socket.valid() || !out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        Fail("plain copy: receiver");
    std::vector<char> chunk(kCopyChunk);
    qint64 total = 0;
    while (true) {
        std::size_t got = 0;
        const auto status = socket.receiveSome(chunk.data(), chunk.size(), &got, 10s);
        if (status == TcpSocket::Status::Closed) break;
        if (status != TcpSocket::Status::Ok ||
            out.write(chunk.data(), static_cast<qint64>(got)) != static_cast<qint64>(got))
            Fail("plain copy: receive");
        total += static_cast<qint64>(got);
    }
    out.close();
    const qint64 elapsed = timer.nsecsElapsed();
    sender.join();
    if (total != kFileBytes) Fail("plain copy: size");
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    strovik::devsim::DevsimProcess devsim;
    const QString source = devsim.filePath(QStringLiteral("bench.bin"));
    WriteSource(source);
    const std::string host = devsim.address(2);
    if (!devsim.start(QStringLiteral("[Device bench]\nAddress=%1\nRecording1=bench.bin, 2024-03-01 08:00:00, "
                                     "2024-03-01 09:00:00, 1, auto\n")
                          .arg(QString::fromStdString(host))))
        Fail(devsim.errorString().toUtf8().constData());
    const auto library = strovik::CreateTcpClientLibrary();

    qint64 bestTransfer = std::numeric_limits<qint64>::max();
    qint64 bestCopy = std::numeric_limits<qint64>::max();
    for (int round = 0; round < kRounds; ++round) {
        bestTransfer =
            std::min(bestTransfer, TransferNanoseconds(*library, host, devsim.filePath("transfer.bin")));
        bestCopy = std::min(bestCopy, PlainCopyNanoseconds(host, source, devsim.filePath("copy.bin")));
    }
    const double transfer = MegabytesPerSecond(bestTransfer);
    const double baseline = MegabytesPerSecond(bestCopy);
    std::printf("file_mb: %.0f\n", kFileBytes / 1e6);
    std::printf("transfer_mb_per_s: %.1f\n", transfer);
    std::printf("baseline_mb_per_s: %.1f\n", baseline);
    std::printf("ratio: %.2f\n", transfer / baseline);
    return 0;
}
