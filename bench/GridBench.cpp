// The main window's grid showing 4, 16 and 64 live channels of a 64-channel DVR (devsim in its
// own process, 640x360 main streams at 25 pictures a second), opened as the operator opens them:
// the layout, then start-all. Everything is the program's own: the window TStrovikForm, the
// channel opening, the device TCP client library, the FFmpeg video client and stream player.
// For each layout, once every window is live and painting: the client's CPU time per displayed
// picture (this process; devsim runs in its own), the slowest window's displayed pictures per
// second, and the GUI thread's event latency (how late a 10 ms timer fires). Against it, in the
// same run: the same number of single-threaded FFmpeg decoders paced at 25 pictures a second, the
// cost of decoding alone. Also the client's resident memory idle and with 64 live windows.
// Last line: the ratio of the client's CPU per displayed picture to the paced decoders' at 64.
//
// The CPU rule is off here (the grid's load reading is stopped, so it keeps the load it starts
// with): on a machine that other work keeps busy it would drop pictures, and this measures what a
// displayed picture costs. grid_overload runs the rule.
#include "BenchSupport.h"
#include "GridBenchSupport.h"
#include "devsim/media/MediaCache.h"
#include "liveview/MyView.h"
#include "liveview/ViewForm.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using namespace strovik;
using namespace strovik::bench;
using namespace std::chrono_literals;

constexpr auto kOpenTimeout = 60s;
constexpr auto kWarmUp = 2s;
constexpr auto kMeasured = 10s;

// Goals, printed next to the figures.
constexpr double kRatioGoal = 1.15;
constexpr double kPicturesPerSecondGoal = 24.5;
constexpr double kLatencyGoalMs = 30;
constexpr double kMegabytesPerWindowGoal = 6;

struct LayoutFigures {
    int layout = 0;
    int live = 0;
    double openSeconds = 0;
    QSize tile;
    double cpuMsPerDisplayed = 0;
    double guiCpuMsPerDisplayed = 0;
    double displayedPerSecondMin = 0;
    double decodedPerSecondMin = 0;  // pictures the streams published into the windows
    int machineLoadPercent = 0;
    double latencyP99Ms = 0;
    double latencyMaxMs = 0;
    double devsimLoadPercent = 0;
    double clientLoadPercent = 0;
    double pacedBaselineMs = 0;
};

LayoutFigures MeasureLayout(GridSite& site, int layout) {
    LayoutFigures figures;
    figures.layout = layout;
    QElapsedTimer opening;
    opening.start();
    figures.live = site.openPage(layout, kOpenTimeout);
    figures.openSeconds = static_cast<double>(opening.elapsed()) / 1000.0;
    figures.tile = site.window(0).size();
    RunEventsFor(kWarmUp);
    std::fprintf(stderr, "bench: measuring %d windows\n", layout);

    GuiLatencyProbe latency;
    MachineLoad machine;
    const auto published = [&site, layout] {
        std::vector<std::uint64_t> counts;
        for (int i = 0; i < layout; ++i) counts.push_back(site.window(i).pictureSlot()->picturesPublished());
        return counts;
    };
    const std::vector<std::uint64_t> publishedBefore = published();
    const std::vector<qint64> before = site.painted(layout);
    const double processBefore = ProcessCpuSeconds();
    const double guiBefore = ThreadCpuSeconds();
    const double devsimBefore = ProcessCpuSeconds(site.devsim().pid());
    QElapsedTimer wall;
    wall.start();
    latency.start();
    RunEventsFor(kMeasured);
    latency.stop();
    const double seconds = static_cast<double>(wall.nsecsElapsed()) * 1e-9;
    const double processCpu = ProcessCpuSeconds() - processBefore;
    const double guiCpu = ThreadCpuSeconds() - guiBefore;
    const double devsimCpu = ProcessCpuSeconds(site.devsim().pid()) - devsimBefore;
    const std::vector<qint64> after = site.painted(layout);
    const std::vector<std::uint64_t> publishedAfter = published();
    figures.machineLoadPercent = machine.percentSinceLast();

    qint64 displayed = 0;
    figures.displayedPerSecondMin = 1e9;
    figures.decodedPerSecondMin = 1e9;
    for (int i = 0; i < layout; ++i) {
        figures.decodedPerSecondMin =
            std::min(figures.decodedPerSecondMin,
                     static_cast<double>(publishedAfter[i] - publishedBefore[i]) / seconds);
        const qint64 shown = after[i] - before[i];
        displayed += shown;
        figures.displayedPerSecondMin =
            std::min(figures.displayedPerSecondMin, static_cast<double>(shown) / seconds);
    }
    const double cores = std::thread::hardware_concurrency();
    figures.cpuMsPerDisplayed = displayed > 0 ? processCpu * 1000.0 / static_cast<double>(displayed) : 0;
    figures.guiCpuMsPerDisplayed = displayed > 0 ? guiCpu * 1000.0 / static_cast<double>(displayed) : 0;
    figures.latencyP99Ms = latency.p99Ms();
    figures.latencyMaxMs = latency.maxMs();
    figures.devsimLoadPercent = devsimCpu / seconds / cores * 100.0;
    figures.clientLoadPercent = processCpu / seconds / cores * 100.0;
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    PrepareBenchmarkProcess();
    QApplication app(argc, argv);

    GridSite site;
    // Every main stream encoded before devsim is ready, so that no opening waits for an encoding.
    site.start(64, QStringLiteral("PrepareStreams=main\n"), 120s);
    TViewForm& grid = site.grid();
    grid.Timer1().stop();
    grid.TimerCpu().stop();
    std::printf("grid: %dx%d, cpu rule off\n", grid.width(), grid.height());

    // The baseline decodes a loop like the devsim's main streams, encoded here.
    devsim::MediaCache media;
    const std::shared_ptr<const devsim::EncodedLoop> loop =
        media.loop({"Bench", 0, devsim::StreamKind::Main});
    if (!loop) return 1;
    std::printf("stream: %dx%d %d fps\n", loop->width, loop->height, devsim::kFramesPerSecond);

    RunEventsFor(1s);
    const std::int64_t idleBytes = ResidentBytes();

    std::vector<LayoutFigures> layouts;
    std::int64_t liveBytes = 0;
    for (const int n : {4, 16, 64}) {
        layouts.push_back(MeasureLayout(site, n));
        if (n == 64) liveBytes = ResidentBytes();
    }
    // The baselines run with the windows stopped, on the same cores.
    grid.NStopAllClick();
    RunEventsFor(1s);
    for (LayoutFigures& figures : layouts)
        figures.pacedBaselineMs = DecodeCpuMsPerPicture(figures.layout, *loop, Pacing::RealTime);

    for (const LayoutFigures& f : layouts) {
        const int n = f.layout;
        std::printf("windows_%d_live: %d\n", n, f.live);
        std::printf("windows_%d_open_seconds: %.1f\n", n, f.openSeconds);
        std::printf("windows_%d_tile: %dx%d quality %d\n", n, f.tile.width(), f.tile.height(),
                    TViewForm::QualityForLayout(n));
        std::printf("windows_%d_client_cpu_ms_per_displayed_picture: %.3f\n", n, f.cpuMsPerDisplayed);
        std::printf("windows_%d_gui_thread_cpu_ms_per_displayed_picture: %.3f\n", n, f.guiCpuMsPerDisplayed);
        std::printf("windows_%d_ffmpeg_paced_decode_cpu_ms_per_picture: %.3f\n", n, f.pacedBaselineMs);
        std::printf("windows_%d_ratio_to_paced: %.2f\n", n, f.cpuMsPerDisplayed / f.pacedBaselineMs);
        std::printf("windows_%d_displayed_per_second_min: %.1f\n", n, f.displayedPerSecondMin);
        std::printf("windows_%d_decoded_per_second_min: %.1f\n", n, f.decodedPerSecondMin);
        std::printf("windows_%d_gui_latency_p99_ms: %.1f\n", n, f.latencyP99Ms);
        std::printf("windows_%d_gui_latency_max_ms: %.1f\n", n, f.latencyMaxMs);
        std::printf("windows_%d_client_load_percent: %.0f\n", n, f.clientLoadPercent);
        std::printf("windows_%d_devsim_load_percent: %.0f\n", n, f.devsimLoadPercent);
        std::printf("windows_%d_machine_load_percent: %d\n", n, f.machineLoadPercent);
        std::printf("windows_%d_other_processes_load_percent: %.0f\n", n,
                    f.machineLoadPercent - f.clientLoadPercent - f.devsimLoadPercent);
    }
    const LayoutFigures& largest = layouts.back();
    const double perWindowMb = Megabytes(liveBytes - idleBytes) / largest.layout;
    const double ratio = largest.cpuMsPerDisplayed / largest.pacedBaselineMs;
    std::printf("rss_idle_mb: %.1f\n", Megabytes(idleBytes));
    std::printf("rss_64_live_mb: %.1f\n", Megabytes(liveBytes));
    std::printf("rss_per_live_window_mb: %.2f\n", perWindowMb);
    std::printf("message_boxes: %d\n", site.ui().messages());
    std::printf("goal_ratio_at_most_%.2f: %s\n", kRatioGoal, Verdict(ratio <= kRatioGoal));
    std::printf("goal_every_window_at_least_%.1f_per_second_at_64: %s\n", kPicturesPerSecondGoal,
                Verdict(largest.displayedPerSecondMin >= kPicturesPerSecondGoal));
    std::printf("goal_gui_latency_p99_at_most_%.0f_ms_at_64: %s\n", kLatencyGoalMs,
                Verdict(largest.latencyP99Ms <= kLatencyGoalMs));
    std::printf("goal_rss_per_live_window_at_most_%.0f_mb: %s\n", kMegabytesPerWindowGoal,
                Verdict(perWindowMb <= kMegabytesPerWindowGoal));
    std::printf("ratio: %.2f\n", ratio);
    return 0;
}
