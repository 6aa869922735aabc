// The main window's grid with 16 live windows for a long while (600 s unless the first argument
// gives seconds), while devsim ends every live stream after a random 3 to 12 s (LiveDropRandomMs),
// as a flaky network or a rebooting camera would. The grid restarts each lost stream as the
// program does. Prints the client's resident memory at the start and the end, the losses (a
// window's stream reported lost by the video client library), the recoveries (that window live
// again and painting pictures of its new stream) and the longest recovery. A loss that comes
// while the window is still recovering from the previous one belongs to the same outage, which
// ends when the window paints again. Last line: the memory growth.
#include "BenchSupport.h"
#include "GridBenchSupport.h"
#include "devicelibs/video/VideoClientLibrary.h"
#include "liveview/MyView.h"
#include "liveview/ViewForm.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

using namespace strovik;
using namespace strovik::bench;
using namespace std::chrono_literals;

constexpr int kWindows = 16;
constexpr int kDefaultSeconds = 600;
constexpr auto kPoll = 20ms;
// After the run, how long outages in progress may take to end. More than the window's 35 s
// reconnect timer, so that a restart that failed once still counts when its retry works.
constexpr qint64 kGraceMs = 40000;

constexpr double kGrowthGoalPercent = 5;

// Registers with the video client library as a grid does and keeps the lost-stream events.
class LossObserver final : public QObject {
public:
    explicit LossObserver(VideoClientLibrary& library) : library_(library) {
        library_.X_ClientInit(kVideoClientMessage, this);
    }
    ~LossObserver() override { library_.X_ClientCleanup(); }

    // The handles reported lost since the last call.
    std::vector<std::int32_t> take() { return std::exchange(lost_, {}); }

protected:
    bool event(QEvent* event) override {
        if (event->type() != VideoClientEvent::eventType()) return QObject::event(event);
        const auto* message = static_cast<const VideoClientEvent*>(event);
        if (message->wParam() == kStreamLostEvent) lost_.push_back(message->lParam() + kStreamHandleBias);
        return true;
    }

private:
    VideoClientLibrary& library_;
    std::vector<std::int32_t> lost_;
};

// One window's outage: from its first loss until it paints a picture of a new stream.
struct Outage {
    bool open = false;
    qint64 sinceMs = 0;
    int losses = 0;
    std::int32_t lostHandle = 0;
    qint64 paintedOnNewStream = -1;  // the count when a new stream was first seen live
};

}  // namespace

int main(int argc, char** argv) {
    PrepareBenchmarkProcess();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultSeconds;

    GridSite site;
    site.start(kWindows, QStringLiteral("PrepareStreams=main\nLiveDropRandomMs=3000-12000\n"), 120s);
    LossObserver observer(*site.video());
    const int live = site.openPage(kWindows, 60s);
    std::printf("duration_seconds: %d\n", seconds);
    std::printf("windows_live: %d\n", live);
    RunEventsFor(2s);
    observer.take();  // losses before the start are not the soak's
    const std::int64_t startBytes = ResidentBytes();
    const HeapBytes startHeap = AllocatorBytes();

    std::map<std::int32_t, int> owners;  // stream handle -> window, as seen while polling
    std::vector<Outage> outages(kWindows);
    int losses = 0;
    int recovered = 0;
    int unknownHandles = 0;
    qint64 longestMs = 0;
    double totalRecoveryMs = 0;
    int outagesEnded = 0;
    QElapsedTimer clock;
    clock.start();
    const qint64 endMs = static_cast<qint64>(seconds) * 1000;
    // Memory along the way, ten times a run: growth that levels off is the allocator settling,
    // growth that goes on is a leak.
    const qint64 sampleEveryMs = std::max<qint64>(10000, endMs / 10);
    qint64 nextSampleMs = sampleEveryMs;
    for (;;) {
        RunEventsFor(kPoll);
        const qint64 now = clock.elapsed();
        const bool running = now < endMs;
        const bool anyOpen =
            std::any_of(outages.begin(), outages.end(), [](const Outage& o) { return o.open; });
        if (!running && (!anyOpen || now >= endMs + kGraceMs)) break;
        if (running && now >= nextSampleMs) {
            const HeapBytes heap = AllocatorBytes();
            std::printf("rss_at_%llds_mb: %.1f (heap in use %.1f, free kept %.1f; losses so far %d)\n",
                        static_cast<long long>(nextSampleMs / 1000), Megabytes(ResidentBytes()),
                        Megabytes(heap.inUse), Megabytes(heap.freeKept), losses);
            nextSampleMs += sampleEveryMs;
        }

        for (int i = 0; i < kWindows; ++i)
            if (const std::int32_t handle = site.window(i).streamHandle(); handle > 0) owners[handle] = i;
        for (const std::int32_t handle : observer.take()) {
            const auto owner = owners.find(handle);
            if (owner == owners.end()) {
                ++unknownHandles;
                continue;
            }
            Outage& outage = outages[static_cast<std::size_t>(owner->second)];
            if (!running && !outage.open) continue;  // after the run only outages in progress count
            ++losses;
            ++outage.losses;
            outage.lostHandle = handle;
            outage.paintedOnNewStream = -1;
            if (!outage.open) {
                outage.open = true;
                outage.sinceMs = now;
            }
        }
        for (int i = 0; i < kWindows; ++i) {
            Outage& outage = outages[static_cast<std::size_t>(i)];
            if (!outage.open) continue;
            const TMyView& window = site.window(i);
            if (window.state() != ViewState::Live || window.streamHandle() <= 0 ||
                window.streamHandle() == outage.lostHandle)
                continue;
            if (outage.paintedOnNewStream < 0) {
                outage.paintedOnNewStream = window.picturesPainted();
                continue;
            }
            if (window.picturesPainted() <= outage.paintedOnNewStream) continue;
            const qint64 took = now - outage.sinceMs;
            longestMs = std::max(longestMs, took);
            totalRecoveryMs += static_cast<double>(took);
            ++outagesEnded;
            recovered += outage.losses;
            outage = Outage{};
        }
    }
    const std::int64_t endBytes = ResidentBytes();
    const HeapBytes endHeap = AllocatorBytes();
    const double growth =
        100.0 * static_cast<double>(endBytes - startBytes) / static_cast<double>(startBytes);

    std::printf("rss_start_mb: %.1f\n", Megabytes(startBytes));
    std::printf("rss_end_mb: %.1f\n", Megabytes(endBytes));
    std::printf("heap_in_use_start_mb: %.1f\n", Megabytes(startHeap.inUse));
    std::printf("heap_in_use_end_mb: %.1f\n", Megabytes(endHeap.inUse));
    std::printf("heap_free_kept_start_mb: %.1f\n", Megabytes(startHeap.freeKept));
    std::printf("heap_free_kept_end_mb: %.1f\n", Megabytes(endHeap.freeKept));
    std::printf("losses: %d\n", losses);
    std::printf("recoveries: %d\n", recovered);
    std::printf("unrecovered_losses: %d\n", losses - recovered);
    std::printf("losses_of_unknown_streams: %d\n", unknownHandles);
    std::printf("outages: %d\n", outagesEnded);
    std::printf("mean_recovery_ms: %.0f\n", outagesEnded > 0 ? totalRecoveryMs / outagesEnded : 0.0);
    std::printf("longest_recovery_ms: %lld\n", static_cast<long long>(longestMs));
    std::printf("message_boxes: %d\n", site.ui().messages());
    std::printf("goal_every_loss_recovered: %s\n", losses == recovered ? "met" : "missed");
    std::printf("goal_rss_growth_at_most_%.0f_percent: %s\n", kGrowthGoalPercent,
                growth <= kGrowthGoalPercent ? "met" : "missed");
    std::printf("rss_growth_percent: %.1f\n", growth);
    return 0;
}
