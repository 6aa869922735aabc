// The media service devsim runs with: live streams and recordings from the encoded loops of
// devsim/media (docs/devsim.md: "Generated recordings", "What it answers", "The media seam").
#include "DeviceAnswers.h"
#include "MediaService.h"
#include "devices/Verification.h"
#include "devsim/media/LiveSessionServer.h"
#include "devsim/media/MediaCache.h"
#include "devsim/media/RecordingFiles.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace strovik::devsim {

namespace {

// Runs work(0 .. count-1) on as many threads as there are cores, at most one per item.
void ForEachInParallel(std::size_t count, const std::function<void(std::size_t)>& work) {
    std::atomic<std::size_t> next{0};
    const std::size_t threads = std::min<std::size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::jthread> workers;
    for (std::size_t t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            for (std::size_t item = next++; item < count; item = next++) work(item);
        });
}

QDateTime ToDateTime(const LocalDateTime& time) {
    // UTC, so that a time that a clock change skips or repeats still has one meaning.
    return {QDate(time.year, time.month, time.day), QTime(time.hour, time.minute, time.second), Qt::UTC};
}

PictureSize SizeOf(StreamSize size) {
    return {size.width, size.height};
}

class EncodedMediaService final : public MediaService {
public:
    EncodedMediaService(EventLog& log, std::uint32_t seed) : log_(log), random_(seed) {}

    void prepareMedia(const SimulatedDevice& device) override;
    void serveLiveStream(TcpSocket& socket, const SimulatedDevice& device, std::stop_token stop) override;

private:
    void prepareRecordings(const SimulatedDevice& device);
    void prepareStreams(const SimulatedDevice& device);
    std::chrono::milliseconds dropAfter(const DeviceFaults& faults);

    EventLog& log_;
    MediaCache media_;
    std::mutex randomMutex_;
    std::mt19937 random_;
};

void EncodedMediaService::prepareMedia(const SimulatedDevice& device) {
    prepareRecordings(device);
    prepareStreams(device);
}

void EncodedMediaService::prepareStreams(const SimulatedDevice& device) {
    std::vector<StreamId> streams;
    const PreparedStreams prepared = device.preparedStreams;
    for (int channel = 0; channel < device.channels; ++channel) {
        if (prepared == PreparedStreams::Main || prepared == PreparedStreams::All)
            streams.push_back({device.name, channel, StreamKind::Main, SizeOf(device.mainStreamSize)});
        if (prepared == PreparedStreams::Sub || prepared == PreparedStreams::All)
            streams.push_back({device.name, channel, StreamKind::Sub, SizeOf(device.subStreamSize)});
    }
    ForEachInParallel(streams.size(), [&](std::size_t i) { media_.loop(streams[i]); });
}

std::chrono::milliseconds EncodedMediaService::dropAfter(const DeviceFaults& faults) {
    if (faults.liveDropRandomMax.count() <= 0) return faults.liveDropAfter;
    std::lock_guard lock(randomMutex_);
    return std::chrono::milliseconds(std::uniform_int_distribution<std::int64_t>(
        faults.liveDropRandomMin.count(), faults.liveDropRandomMax.count())(random_));
}

void EncodedMediaService::prepareRecordings(const SimulatedDevice& device) {
    struct Missing {
        const CatalogueEntry* entry;
        RecordingEntry recording;
    };
    std::vector<Missing> missing;
    for (const CatalogueEntry& entry : device.catalogue) {
        if (QFile::exists(QString::fromStdString(device.recordingPath(entry)))) continue;
        const std::optional<RecordingFormat> format = RecordingFormatOfName(entry.fileName);
        if (!format) {
            LogLine("recording")
                .add("device", device.name)
                .add("file", entry.fileName)
                .add("outcome", "not-generated")
                .writeTo(log_);
            continue;
        }
        missing.push_back({&entry, {ToDateTime(entry.start), ToDateTime(entry.end), entry.channel - 1,
                                    entry.recordType, *format}});
    }
    if (missing.empty()) return;
    QDir().mkpath(QString::fromStdString(device.recordingsFolder));

    // Encoding dominates: first every channel's loop, the channels side by side, then the files.
    std::set<int> channelSet;
    for (const Missing& item : missing) channelSet.insert(item.recording.channelIndex);
    const std::vector<int> channels(channelSet.begin(), channelSet.end());
    ForEachInParallel(channels.size(), [&](std::size_t i) {
        media_.loop({device.name, channels[i], StreamKind::Main});
    });
    ForEachInParallel(missing.size(), [&](std::size_t i) {
        const Missing& item = missing[i];
        const bool written = EnsureRecordingFile(device.recordingPath(*item.entry), device.name, item.recording,
                                                 media_, device.recordingContent);
        LogLine("recording")
            .add("device", device.name)
            .add("file", item.entry->fileName)
            .add("outcome", written ? "written" : "write-failed")
            .writeTo(log_);
    });
}

void EncodedMediaService::serveLiveStream(TcpSocket& socket, const SimulatedDevice& device,
                                          std::stop_token stop) {
    // Whoever the verification port verifies may watch: the rights level does not narrow live view.
    const LiveDevice live{device.name, device.channels, SizeOf(device.mainStreamSize),
                          SizeOf(device.subStreamSize),
                          [&device](std::string_view userName, std::string_view password) {
                              return VerificationAnswer(device, userName, password) % 100 >= kVerifiedRights;
                          }};
    LiveSessionOptions options;
    options.dropAfter = dropAfter(device.faults);
    const std::string peer = socket.peerAddress();
    const LiveSessionReport report = ServeLiveSession(socket, live, media_, std::move(stop), options);
    LogLine line("session");
    line.add("device", device.name).add("peer", peer).add("kind", "live");
    line.add("outcome", LiveSessionEndName(report.end));
    if (report.streamIndex >= 0) line.add("user", report.userName).add("stream", report.streamIndex);
    line.writeTo(log_);
}

}  // namespace

std::unique_ptr<MediaService> CreateMediaService(EventLog& log, std::uint32_t seed) {
    return std::make_unique<EncodedMediaService>(log, seed);
}

}  // namespace strovik::devsim
