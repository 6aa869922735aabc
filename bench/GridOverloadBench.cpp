// The main window's grid with 64 live windows whose streams need more decoding than the machine
// has: devsim's 64-channel DVR serves 1280x720 main streams (MainStreamSize), which is what the
// main window's windows open. The grid's CPU rule runs as it does in the program: above 90 %
// machine load it lowers one window a step (from window 63 down) to skip the pictures nothing
// refers to, below 80 % it restores them. Opened as the operator opens them (layout 64, start-all);
// then for 30 s: the machine load (/proc/stat) every 5 s, how many windows the rule left degraded
// (their last drop level, read back through a counting wrapper of the video client library),
// the slowest window's pictures per second, the longest time any window showed no new picture
// (sampled every 100 ms) and the GUI thread's event latency (how late a 10 ms timer fires).
// Each load figure also gives the client's and devsim's own part: the machine load counts other
// work on the machine too, which the rule cannot shed. A first argument names another stream size.
// Last line: the machine load over the 5 s before the 30 s were up.
#include "BenchSupport.h"
#include "GridBenchSupport.h"
#include "devicelibs/video/VideoClientLibrary.h"
#include "liveview/MyView.h"
#include "liveview/ViewForm.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

using namespace strovik;
using namespace strovik::bench;
using namespace std::chrono_literals;

constexpr int kWindows = 64;
constexpr char kStreamSize[] = "1280x720";  // the first argument may name another
constexpr auto kObserved = 30s;
constexpr auto kSample = 100ms;
constexpr int kLoadSliceSeconds = 5;
constexpr std::int32_t kSkipNonReference = 18;

constexpr int kLoadGoalPercent = 90;
constexpr double kFrozenGoalSeconds = 2;
constexpr double kLatencyGoalMs = 50;

// Forwards every call to the real library and remembers the last quality and drop level each
// stream was given, which the library does not report back.
class CountingVideoClient final : public VideoClientLibrary {
public:
    explicit CountingVideoClient(std::shared_ptr<VideoClientLibrary> inner) : inner_(std::move(inner)) {}

    std::optional<std::int32_t> lastQuality(std::int32_t handle) const { return last(qualities_, handle); }
    std::optional<std::int32_t> lastDropLevel(std::int32_t handle) const { return last(dropLevels_, handle); }
    int dropLevelCalls() const {
        std::lock_guard lock(mutex_);
        return dropLevelCalls_;
    }

    std::int32_t X_ClientInit(std::uint32_t message, QObject* window) override {
        return inner_->X_ClientInit(message, window);
    }
    void X_ClientCleanup() override { inner_->X_ClientCleanup(); }
    std::int32_t X_ClientStart(const ClientStartInfo& info, std::int32_t loginHandle,
                               std::uint16_t linkType) override {
        return inner_->X_ClientStart(info, loginHandle, linkType);
    }
    std::int32_t X_ClientStartEx(const ClientStartInfo& info, const RelayInfo& relay,
                                 std::uint16_t linkType) override {
        return inner_->X_ClientStartEx(info, relay, linkType);
    }
    std::int32_t X_ClientStop(std::int32_t handle, std::uint16_t linkType) override {
        return inner_->X_ClientStop(handle, linkType);
    }
    std::int32_t X_ClientAudioStart(std::int32_t handle, std::uint16_t linkType) override {
        return inner_->X_ClientAudioStart(handle, linkType);
    }
    std::int32_t X_ClientAudioStop(std::uint16_t linkType) override {
        return inner_->X_ClientAudioStop(linkType);
    }
    std::int32_t X_ClientSetQuality(std::int32_t handle, std::int32_t level,
                                    std::uint16_t linkType) override {
        remember(qualities_, handle, level);
        return inner_->X_ClientSetQuality(handle, level, linkType);
    }
    std::int32_t X_ClientThrowBFrame(std::int32_t handle, std::int32_t level,
                                     std::uint16_t linkType) override {
        remember(dropLevels_, handle, level);
        {
            std::lock_guard lock(mutex_);
            ++dropLevelCalls_;
        }
        return inner_->X_ClientThrowBFrame(handle, level, linkType);
    }
    std::int32_t X_ClientChangeRenderHandle(std::int32_t handle, RenderTarget* window,
                                            std::uint16_t linkType) override {
        return inner_->X_ClientChangeRenderHandle(handle, window, linkType);
    }
    std::int32_t X_ClientCapPicFile(std::int32_t handle, const std::string& fileName,
                                    std::uint16_t linkType) override {
        return inner_->X_ClientCapPicFile(handle, fileName, linkType);
    }
    std::int32_t X_ClientStartCaptureFile(std::int32_t handle, const std::string& fileName,
                                          std::uint16_t linkType) override {
        return inner_->X_ClientStartCaptureFile(handle, fileName, linkType);
    }
    std::int32_t X_ClientStopCapture(std::int32_t handle, std::uint16_t linkType) override {
        return inner_->X_ClientStopCapture(handle, linkType);
    }

private:
    using Levels = std::map<std::int32_t, std::int32_t>;
    void remember(Levels& levels, std::int32_t handle, std::int32_t level) {
        std::lock_guard lock(mutex_);
        levels[handle] = level;
    }
    std::optional<std::int32_t> last(const Levels& levels, std::int32_t handle) const {
        std::lock_guard lock(mutex_);
        const auto found = levels.find(handle);
        return found == levels.end() ? std::nullopt : std::optional<std::int32_t>(found->second);
    }

    std::shared_ptr<VideoClientLibrary> inner_;
    mutable std::mutex mutex_;
    Levels qualities_;
    Levels dropLevels_;
    int dropLevelCalls_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    PrepareBenchmarkProcess();
    QApplication app(argc, argv);

    // Other work on the machine (other builds and tests) before anything of ours runs.
    MachineLoad background;
    RunEventsFor(3s);
    std::printf("background_load_percent: %d\n", background.percentSinceLast());

    GridSite site;
    const auto counting = std::make_shared<CountingVideoClient>(site.video());
    QElapsedTimer clock;
    clock.start();
    // Every main stream encoded before devsim is ready (some 0.7 s of CPU each), so that no opening
    // waits for an encoding on a machine that the running windows keep busy.
    const QString size = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QLatin1String(kStreamSize);
    site.start(kWindows, QStringLiteral("MainStreamSize=%1\nPrepareStreams=main\n").arg(size), 300s,
               counting);
    std::printf("stream: %s 25 fps, %d windows\n", size.toUtf8().constData(), kWindows);
    std::printf("devsim_ready_seconds: %.1f\n", static_cast<double>(clock.elapsed()) / 1000.0);
    RunEventsFor(1s);

    clock.restart();
    const int live = site.openPage(kWindows, 120s);
    std::printf("windows_live: %d\n", live);
    std::printf("open_seconds: %.1f\n", static_cast<double>(clock.elapsed()) / 1000.0);

    // From here on, 30 s of watching the windows.
    TViewForm& grid = site.grid();
    MachineLoad load;
    MachineLoad wholeLoad;
    GuiLatencyProbe latency;
    const double processBefore = ProcessCpuSeconds();
    const double guiBefore = ThreadCpuSeconds();
    const auto published = [&site] {
        std::vector<std::uint64_t> counts;
        for (int i = 0; i < kWindows; ++i)
            counts.push_back(site.window(i).pictureSlot()->picturesPublished());
        return counts;
    };
    const std::vector<std::uint64_t> publishedAtStart = published();
    const double devsimBefore = ProcessCpuSeconds(site.devsim().pid());
    std::vector<qint64> lastCount = site.painted(kWindows);
    std::vector<qint64> lastChangeMs(kWindows, 0);
    std::vector<qint64> atTwentySeconds;
    qint64 longestFrozenMs = 0;
    int frozenWindow = -1;
    std::vector<int> loadSlices;
    // Our own part of each slice: the client and devsim, in percent of the machine.
    std::vector<double> ownSlices;
    double ownCpuAtSlice = ProcessCpuSeconds() + ProcessCpuSeconds(site.devsim().pid());
    const std::vector<qint64> atStart = lastCount;
    clock.restart();
    latency.start();
    qint64 nextSliceMs = kLoadSliceSeconds * 1000;
    while (clock.elapsed() < std::chrono::milliseconds(kObserved).count()) {
        RunEventsFor(kSample);
        const qint64 now = clock.elapsed();
        const std::vector<qint64> counts = site.painted(kWindows);
        for (int i = 0; i < kWindows; ++i) {
            if (counts[i] != lastCount[i]) {
                lastCount[i] = counts[i];
                lastChangeMs[i] = now;
            } else if (now - lastChangeMs[i] > longestFrozenMs) {
                longestFrozenMs = now - lastChangeMs[i];
                frozenWindow = i;
            }
        }
        if (atTwentySeconds.empty() && now >= 20000) atTwentySeconds = counts;
        if (now >= nextSliceMs) {
            loadSlices.push_back(load.percentSinceLast());
            const double ownCpu = ProcessCpuSeconds() + ProcessCpuSeconds(site.devsim().pid());
            ownSlices.push_back((ownCpu - ownCpuAtSlice) / kLoadSliceSeconds /
                                std::thread::hardware_concurrency() * 100.0);
            ownCpuAtSlice = ownCpu;
            nextSliceMs += kLoadSliceSeconds * 1000;
        }
    }
    latency.stop();
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    const double processCpu = ProcessCpuSeconds() - processBefore;
    const double guiCpu = ThreadCpuSeconds() - guiBefore;
    const int machinePercent = wholeLoad.percentSinceLast();
    const std::vector<std::uint64_t> publishedAtEnd = published();
    const double devsimCpu = ProcessCpuSeconds(site.devsim().pid()) - devsimBefore;
    const std::vector<qint64> atEnd = site.painted(kWindows);

    int degraded = 0;
    int cheapest = 0;
    double slowestAll = 1e9;
    double slowestLast10 = 1e9;
    double slowestDecoded = 1e9;
    for (int i = 0; i < kWindows; ++i) {
        const TMyView& window = site.window(i);
        if (counting->lastDropLevel(window.streamHandle()) == kSkipNonReference) ++degraded;
        if (counting->lastQuality(window.streamHandle()) == 0) ++cheapest;
        slowestAll = std::min(slowestAll, static_cast<double>(atEnd[i] - atStart[i]) / seconds);
        slowestDecoded =
            std::min(slowestDecoded, static_cast<double>(publishedAtEnd[i] - publishedAtStart[i]) / seconds);
        if (!atTwentySeconds.empty())
            slowestLast10 =
                std::min(slowestLast10, static_cast<double>(atEnd[i] - atTwentySeconds[i]) / (seconds - 20));
    }
    const double cores = std::thread::hardware_concurrency();
    for (std::size_t s = 0; s < loadSlices.size(); ++s)
        std::printf("load_%zu_to_%zus_percent: %d (client and devsim %.0f)\n", s * kLoadSliceSeconds,
                    (s + 1) * kLoadSliceSeconds, loadSlices[s], ownSlices[s]);
    const int settled = loadSlices.empty() ? -1 : loadSlices.back();
    // What the machine's load would be without the other work on it (other builds and tests).
    std::printf("client_and_devsim_load_after_30s_percent: %.0f\n",
                ownSlices.empty() ? -1.0 : ownSlices.back());
    const double clientPercent = processCpu / seconds / cores * 100.0;
    const double devsimPercent = devsimCpu / seconds / cores * 100.0;
    std::printf("machine_load_percent: %d\n", machinePercent);
    std::printf("client_load_percent: %.0f\n", clientPercent);
    std::printf("client_gui_thread_load_percent: %.1f\n", guiCpu / seconds / cores * 100.0);
    std::printf("devsim_load_percent: %.0f\n", devsimPercent);
    std::printf("other_processes_load_percent: %.0f\n", machinePercent - clientPercent - devsimPercent);
    std::printf("grid_cpu_usage_percent: %d\n", grid.cpuUsage());
    std::printf("windows_skipping_non_reference_pictures: %d\n", degraded);
    std::printf("windows_at_quality_0: %d\n", cheapest);
    std::printf("drop_level_calls: %d\n", counting->dropLevelCalls());
    std::printf("displayed_per_second_min: %.1f\n", slowestAll);
    std::printf("displayed_per_second_min_last_10s: %.1f\n", slowestLast10);
    std::printf("decoded_per_second_min: %.1f\n", slowestDecoded);
    std::printf("longest_without_new_picture_ms: %lld (window %d)\n", static_cast<long long>(longestFrozenMs),
                frozenWindow);
    std::printf("gui_latency_p99_ms: %.1f\n", latency.p99Ms());
    std::printf("gui_latency_max_ms: %.1f\n", latency.maxMs());
    std::printf("message_boxes: %d\n", site.ui().messages());
    std::printf("goal_load_at_most_%d_percent: %s\n", kLoadGoalPercent,
                Verdict(settled >= 0 && settled <= kLoadGoalPercent));
    std::printf("goal_no_window_frozen_over_%.0f_s: %s\n", kFrozenGoalSeconds,
                Verdict(static_cast<double>(longestFrozenMs) <= kFrozenGoalSeconds * 1000));
    std::printf("goal_gui_latency_p99_at_most_%.0f_ms: %s\n", kLatencyGoalMs,
                Verdict(latency.p99Ms() <= kLatencyGoalMs));
    std::printf("load_after_30s_percent: %d\n", settled);
    return 0;
}
