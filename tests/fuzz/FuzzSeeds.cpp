// Writes the seed corpora of the fuzz targets from what devsim itself sends and writes: a devsim
// process on loopback is talked to as the program talks to a device, and its answers, messages,
// stream and recordings become the seeds. Usage: fuzz_seeds CORPUS_ROOT (one folder per target).
#include "DevsimProcess.h"
#include "devicelibs/DiscoveryLibrary.h"
#include "devicelibs/TcpClientLibrary.h"
#include "devicelibs/discovery/UdpSocket.h"
#include "devicelibs/tcpclient/SessionOpening.h"
#include "devicelibs/tcpclient/SessionPort.h"
#include "devicelibs/tcpclient/TcpClientFactory.h"
#include "devicelibs/video/LiveSessionProtocol.h"
#include "devicelibs/wire/DiscoveryDatagrams.h"
#include "devicelibs/wire/FileTime.h"
#include "devicelibs/wire/MessageFraming.h"
#include "devicelibs/wire/SearchRequest.h"
#include "devicelibs/wire/SearchResultRecord.h"
#include "devicelibs/wire/TransferNotification.h"
#include "devicelibs/wire/WireRecord.h"
#include "devices/DeviceInfoQuery.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

using namespace strovik;
using namespace std::chrono_literals;

// The selectors of the wire_records target (its first byte).
constexpr std::uint8_t kSearchResults = 0;
constexpr std::uint8_t kDeviceInformation = 1;
constexpr std::uint8_t kDiscovery = 2;
constexpr std::uint8_t kTransfer = 3;
constexpr std::uint8_t kSessionAnswer = 4;
constexpr std::size_t kMostSeedBytes = 65536;

class Corpus {
public:
    explicit Corpus(QString root) : root_(std::move(root)) {}
    void add(const char* target, const std::vector<std::uint8_t>& bytes) {
        const QString folder = root_ + QLatin1Char('/') + QLatin1String(target);
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/devsim-%1").arg(++count_, 4, 10, QLatin1Char('0')));
        const std::size_t size = std::min(bytes.size(), kMostSeedBytes);
        if (file.open(QIODevice::WriteOnly)) file.write(reinterpret_cast<const char*>(bytes.data()), qint64(size));
    }
    void add(const char* target, std::uint8_t selector, const std::vector<std::uint8_t>& bytes) {
        std::vector<std::uint8_t> seed{selector};
        seed.insert(seed.end(), bytes.begin(), bytes.end());
        add(target, seed);
    }
    int count() const { return count_; }

private:
    QString root_;
    int count_ = 0;
};

// One message as it travels: its length, then the payload.
std::vector<std::uint8_t> Framed(const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> framed(4);
    PutLittleEndian32(framed.data(), static_cast<std::uint32_t>(payload.size()));
    framed.insert(framed.end(), payload.begin(), payload.end());
    return framed;
}

class Messages {
public:
    TcpReceiveCallback callback() {
        return [this](std::int32_t, const std::uint8_t* data, std::int32_t length) {
            const std::lock_guard lock(mutex_);
            messages_.emplace_back(data, data + length);
            changed_.notify_all();
        };
    }
    // Waits until a message satisfies done, then takes what arrived.
    std::vector<std::vector<std::uint8_t>> takeUntil(const std::function<bool(const std::vector<std::uint8_t>&)>& done) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 10s, [&] { return std::any_of(messages_.begin(), messages_.end(), done); });
        return std::exchange(messages_, {});
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::vector<std::uint8_t>> messages_;
};

void CommandSeeds(Corpus& corpus, TcpClientLibrary& library, Messages& received, const std::string& host) {
    library.NV_SetTCPClientCustomReciveCallback(received.callback());
    const std::int32_t connection = library.NV_ConnectTCPServer({host, 5050 + kVerificationPortOffset});
    if (connection == 0) return;
    const auto day = *ToFileTime(LocalDateTime{2024, 3, 1, 0, 0, 0});
    const auto end = *ToFileTime(LocalDateTime{2024, 3, 1, 23, 59, 59});
    for (std::uint8_t channel = 1; channel <= 2; ++channel) {
        const auto request = RecordBytes(BuildSearchRequest(day, end, channel, 0, SearchRequestStyle::OldFirmware, ""));
        library.NV_ClientSendBuf(connection, request.data(), static_cast<std::int32_t>(request.size()), 0);
        std::vector<std::uint8_t> stream;
        for (const auto& message : received.takeUntil([](const std::vector<std::uint8_t>& m) {
                 return ParseSearchFinishedMessage(m.data(), m.size()).has_value();
             })) {
            corpus.add("wire_records", kSearchResults, message);
            const auto framed = Framed(message);
            stream.insert(stream.end(), framed.begin(), framed.end());
        }
        corpus.add("message_framing", stream);
    }
    const DeviceInfoRequestBytes info = EncodeDeviceInfoRequest(QStringLiteral("admin"), QStringLiteral("admin"));
    library.NV_ClientSendBuf(connection, info.data(), static_cast<std::int32_t>(info.size()), 0);
    for (const auto& message : received.takeUntil([](const std::vector<std::uint8_t>& m) { return m.size() >= kDeviceInfoReplyBytes; }))
        corpus.add("wire_records", kDeviceInformation, message);
    library.NV_DisConnectTCPServer(connection);
}

void TransferSeeds(Corpus& corpus, TcpClientLibrary& library, Messages& received, const std::string& host,
                   const QString& folder, const std::string& file) {
    library.NV_SetTCPClientReciveCallback(received.callback());
    const QString target = folder + QStringLiteral("/transfer");
    const std::int32_t handle =
        library.NV_GetRemoteFile({file, target.toStdString(), host, 5050 + kVerificationPortOffset});
    if (handle < 1) return;
    for (const auto& message : received.takeUntil([](const std::vector<std::uint8_t>& m) {
             const auto notification = ParseTransferNotification(m.data(), m.size());
             return notification && notification->code == TransferCode::Over;
         }))
        corpus.add("wire_records", kTransfer, message);
    library.NV_StopGetRemoteFile(handle);
}

void VerificationSeeds(Corpus& corpus, const std::string& host) {
    for (const char* password : {"admin", "wrong"}) {
        SessionHello hello = MakeHello(SessionKind::Verify);
        hello.userName = std::string("admin");
        hello.password = std::string(password);
        SessionStart start = ConnectAndSendHello(host, 5050 + kVerificationPortOffset, hello, TcpClientOptions{});
        std::vector<std::uint8_t> answer;
        if (start.error == 0 && ReceiveMessage(start.socket, answer, 3000ms) == MessageStatus::Ok)
            corpus.add("wire_records", kSessionAnswer, answer);
    }
}

void LiveSeeds(Corpus& corpus, const std::string& host) {
    for (std::uint8_t stream : {0, 4}) {  // a main and a sub stream of a 4-channel device
        TcpSocket socket = TcpSocket::connectTo(host, 5050, 3000ms);
        LiveStreamRequest request;
        request.streamIndex = stream;
        request.userName = std::string("admin");
        request.password = std::string("admin");
        request.deviceAddress = host;
        request.devicePort = 5050;
        if (!socket.valid() || SendMessage(socket, EncodeRecord(request), 3000ms) != MessageStatus::Ok) continue;
        // About a second of the stream: the answer, a key frame and the pictures after it.
        std::vector<std::uint8_t> bytes(kMostSeedBytes);
        std::size_t have = 0;
        const auto until = std::chrono::steady_clock::now() + 1s;
        while (have < bytes.size() && std::chrono::steady_clock::now() < until) {
            std::size_t got = 0;
            if (socket.receiveSome(bytes.data() + have, bytes.size() - have, &got, 500ms) != TcpSocket::Status::Ok) break;
            have += got;
        }
        bytes.resize(have);
        corpus.add("live_session", bytes);
        corpus.add("message_framing", bytes);
    }
}

void DiscoverySeeds(Corpus& corpus, const std::string& responder) {
    UdpSocket socket = UdpSocket::bindTo("127.0.0.1", 0);
    DiscoveryProbe probe;
    probe.searchId = 7;
    const auto bytes = RecordBytes(probe);
    if (!socket.sendTo({responder, devsim::DevsimProcess::kDiscoveryPort}, bytes.data(), bytes.size())) return;
    std::vector<std::uint8_t> answer(2048);
    UdpSocket::Peer from;
    for (int i = 0; i < 8; ++i) {
        const std::ptrdiff_t size = socket.receiveFrom(answer.data(), answer.size(), &from, 500ms);
        if (size <= 0) break;
        corpus.add("wire_records", kDiscovery, {answer.begin(), answer.begin() + size});
    }
}

void RecordingSeeds(Corpus& corpus, const QString& folder) {
    QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QByteArray head = file.read(kMostSeedBytes);
        const std::vector<std::uint8_t> bytes(head.begin(), head.end());
        const bool frameFormat = file.fileName().endsWith(QLatin1String(".264"));
        if (frameFormat) corpus.add("frame_file", bytes);
        corpus.add("player_feed", frameFormat ? 1 : 0, bytes);  // the target's first byte: the format
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds CORPUS_ROOT\n");
        return 2;
    }
    Corpus corpus(QString::fromLocal8Bit(argv[1]));
    devsim::DevsimProcess devsim;
    const std::string host = devsim.address(2);
    const QString device = QStringLiteral(
        "[Device seeds]\nAddress=%1\nPort=5050\nType=dvr\nChannels=4\nFirmware=9.7\nUser1=admin\nPassword1=admin\n"
        "Rights1=58\nDeviceId=10000001\nRecordings=recordings\nRecordingContentSeconds=2\n"
        "Recording1=LDVR_1_20240301060000_20240301063000_0_0_.264, 2024-03-01 06:00:00, 2024-03-01 06:30:00, 1, auto\n"
        "Recording2=ch01_1_20240301120000_20240301123000.mp4, 2024-03-01 12:00:00, 2024-03-01 12:30:00, 1, manual\n"
        "Recording3=LDVR_1_20240301094000_20240301094200_1_1_.264, 2024-03-01 09:40:00, 2024-03-01 09:42:00, 2, alarm\n");
    if (!devsim.start(device.arg(QString::fromStdString(host)))) {
        std::fprintf(stderr, "fuzz_seeds: %s\n", qPrintable(devsim.errorString()));
        return 1;
    }
    const std::shared_ptr<TcpClientLibrary> library = CreateTcpClientLibrary();
    Messages commands;
    Messages transfers;
    VerificationSeeds(corpus, host);
    CommandSeeds(corpus, *library, commands, host);
    TransferSeeds(corpus, *library, transfers, host, devsim.directory(),
                  "LDVR_1_20240301094000_20240301094200_1_1_.264");
    LiveSeeds(corpus, host);
    DiscoverySeeds(corpus, devsim.address(1));
    RecordingSeeds(corpus, devsim.filePath(QStringLiteral("recordings")));
    std::printf("fuzz_seeds: %d seeds from devsim\n", corpus.count());
    return corpus.count() > 0 ? 0 : 1;
}
