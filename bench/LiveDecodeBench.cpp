// N live streams (1, 4, 16, 64) of devsim's 640x360, 25 fps main stream, received, decoded,
// scaled and painted into offscreen render widgets at the grid's tile sizes, with devsim serving
// them from its own process on the same machine. Against it, in the same run: N single-threaded
// FFmpeg decodes of the same stream running at once. Prints the client's CPU time per displayed
// picture, the baseline's CPU time per decoded picture and their ratio for each N, devsim's share
// of the machine, whether 64 streams are sustained at 25 pictures a second (devsim included), and
// last the ratio at 64 streams (where decoding dominates; with fewer, larger tiles converting and
// painting the bigger pictures adds a larger share, which the per-N lines show).
// A second baseline paces the same N decoders at 25 pictures a second, as live streams arrive: a
// decoder that waits 40 ms between pictures finds its reference pictures gone from the caches, so
// this is FFmpeg's own cost for real-time streams, which the flat-out baseline does not pay.
#include "BenchSupport.h"
#include "DevsimProcess.h"
#include "devicelibs/ffmpeg/FfmpegVideoClient.h"
#include "devicelibs/video/FrameFormat.h"
#include "devsim/media/MediaCache.h"
#include "liveview/RenderWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using namespace strovik;
using namespace strovik::bench;
using namespace std::chrono_literals;

constexpr int kGridWidth = 1280;
constexpr int kGridHeight = 720;
constexpr auto kWarmUp = 1500ms;
constexpr auto kMeasured = 4000ms;
constexpr int kBaselinePicturesPerDecoder = 100;
constexpr std::uint16_t kDevicePort = 5050;

// The grid's layout (k x k cells, 1-pixel gaps) and the quality it sets for n windows.
QRect TileOf(int index, int n) {
    const int k = static_cast<int>(std::sqrt(n));
    const int cellWidth = (kGridWidth - 1) / k;
    const int cellHeight = (kGridHeight - 1) / k;
    return {(index % k) * cellWidth + 1, (index / k) * cellHeight + 1, cellWidth - 1, cellHeight - 1};
}
int QualityFor(int n) {
    return n == 1 ? 6 : n <= 4 ? 4 : 0;
}

struct LiveFigures {
    double cpuMsPerDisplayed = 0;
    double guiCpuMsPerDisplayed = 0;   // the GUI thread's part: events and painting
    double displayedPerSecondMin = 0;  // per stream
    double decodedPerSecondMin = 0;    // pictures published into the targets, per stream
    double devsimLoadPercent = 0;      // of all cores
    double machineLoadPercent = 0;     // client and devsim together, of all cores
};

LiveFigures MeasureLive(int n, const devsim::DevsimProcess& devsim) {
    QWidget grid;
    grid.resize(kGridWidth, kGridHeight);
    std::vector<RenderWidget*> targets;
    for (int i = 0; i < n; ++i) {
        targets.push_back(new RenderWidget(&grid));
        targets.back()->setGeometry(TileOf(i, n));
    }
    grid.show();
    FfmpegVideoClient client;
    std::vector<std::int32_t> handles;
    for (RenderWidget* target : targets) {
        ClientStartInfo info;
        info.port = kDevicePort;
        info.address = devsim.address(2);
        info.userName = "admin";
        info.password = "admin";
        info.window = target;
        handles.push_back(client.X_ClientStart(info, -1, 2));
        if (handles.back() < 1) {
            std::fprintf(stderr, "stream did not start: %d\n", handles.back());
            std::exit(1);
        }
        client.X_ClientSetQuality(handles.back(), QualityFor(n), 2);
    }
    RunEventsFor(kWarmUp);

    const auto snapshot = [&](std::vector<qint64>& painted, std::vector<std::uint64_t>& published) {
        painted.clear();
        published.clear();
        for (RenderWidget* target : targets) {
            painted.push_back(target->picturesPainted());
            published.push_back(target->pictureSlot()->picturesPublished());
        }
    };
    std::vector<qint64> paintedBefore, paintedAfter;
    std::vector<std::uint64_t> publishedBefore, publishedAfter;
    QElapsedTimer wall;
    snapshot(paintedBefore, publishedBefore);
    const double processBefore = ProcessCpuSeconds();
    const double devsimBefore = ProcessCpuSeconds(devsim.pid());
    const double guiBefore = ThreadCpuSeconds();
    wall.start();
    RunEventsFor(kMeasured);
    const double guiCpu = ThreadCpuSeconds() - guiBefore;
    const double seconds = static_cast<double>(wall.nsecsElapsed()) * 1e-9;
    const double processCpu = ProcessCpuSeconds() - processBefore;
    const double devsimCpu = ProcessCpuSeconds(devsim.pid()) - devsimBefore;
    snapshot(paintedAfter, publishedAfter);
    for (const std::int32_t handle : handles) client.X_ClientStop(handle, 2);

    LiveFigures figures;
    qint64 displayed = 0;
    figures.displayedPerSecondMin = 1e9;
    figures.decodedPerSecondMin = 1e9;
    for (int i = 0; i < n; ++i) {
        const qint64 shown = paintedAfter[i] - paintedBefore[i];
        displayed += shown;
        figures.displayedPerSecondMin =
            std::min(figures.displayedPerSecondMin, static_cast<double>(shown) / seconds);
        figures.decodedPerSecondMin =
            std::min(figures.decodedPerSecondMin,
                     static_cast<double>(publishedAfter[i] - publishedBefore[i]) / seconds);
    }
    figures.cpuMsPerDisplayed = displayed > 0 ? processCpu * 1000.0 / static_cast<double>(displayed) : 0;
    figures.guiCpuMsPerDisplayed = displayed > 0 ? guiCpu * 1000.0 / static_cast<double>(displayed) : 0;
    const double cores = std::thread::hardware_concurrency();
    figures.devsimLoadPercent = devsimCpu / seconds / cores * 100.0;
    figures.machineLoadPercent = (processCpu + devsimCpu) / seconds / cores * 100.0;
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    bench::PrepareBenchmarkProcess();
    QApplication app(argc, argv);
    // devsim serves the streams; the baseline decodes the same loop, encoded here.
    devsim::DevsimProcess devsim;
    if (!devsim.start(QStringLiteral("[Device Bench]\nAddress=%1\nPort=%2\nUser1=admin\nPassword1=admin\n")
                          .arg(QString::fromStdString(devsim.address(2)))
                          .arg(kDevicePort),
                      QStringLiteral("MaxSessions=256\n"))) {
        std::fprintf(stderr, "%s\n", devsim.errorString().toUtf8().constData());
        return 1;
    }
    devsim::MediaCache media;
    const std::shared_ptr<const devsim::EncodedLoop> loop =
        media.loop({"Bench", 0, devsim::StreamKind::Main});
    if (!loop) return 1;
    std::size_t bytes = 0;
    for (const devsim::EncodedPicture& picture : loop->pictures) bytes += picture.data.size();
    std::printf("stream: %dx%d %d fps %.0f kbit/s\n", loop->width, loop->height, devsim::kFramesPerSecond,
                static_cast<double>(bytes) * 8 / 1000 /
                    (static_cast<double>(loop->pictures.size()) / devsim::kFramesPerSecond));

    // Stream counts to run: all by default; a benchmark run may name some (profiling).
    std::vector<int> counts = {1, 4, 16, 64};
    if (argc > 1) {
        counts.clear();
        for (int i = 1; i < argc; ++i) counts.push_back(std::max(1, std::atoi(argv[i])));
    }
    double largestRatio = 0;
    int largestCount = 0;
    LiveFigures largest;
    for (const int n : counts) {
        const QRect tile = TileOf(0, n);
        const LiveFigures live = MeasureLive(n, devsim);
        const double baseline = DecodeCpuMsPerPicture(n, *loop, Pacing::FlatOut, kBaselinePicturesPerDecoder);
        const double pacedBaseline =
            DecodeCpuMsPerPicture(n, *loop, Pacing::RealTime, kBaselinePicturesPerDecoder);
        const double ratio = live.cpuMsPerDisplayed / baseline;
        if (n >= largestCount) {
            largestCount = n;
            largestRatio = ratio;
            largest = live;
        }
        std::printf("streams_%d_tile: %dx%d quality %d\n", n, tile.width(), tile.height(), QualityFor(n));
        std::printf("streams_%d_live_cpu_ms_per_displayed_picture: %.3f\n", n, live.cpuMsPerDisplayed);
        std::printf("streams_%d_gui_thread_cpu_ms_per_displayed_picture: %.3f\n", n,
                    live.guiCpuMsPerDisplayed);
        std::printf("streams_%d_ffmpeg_decode_cpu_ms_per_picture: %.3f\n", n, baseline);
        std::printf("streams_%d_ffmpeg_paced_decode_cpu_ms_per_picture: %.3f\n", n, pacedBaseline);
        std::printf("streams_%d_ratio_to_paced: %.2f\n", n, live.cpuMsPerDisplayed / pacedBaseline);
        std::printf("streams_%d_displayed_per_second_min: %.1f\n", n, live.displayedPerSecondMin);
        std::printf("streams_%d_decoded_per_second_min: %.1f\n", n, live.decodedPerSecondMin);
        std::printf("streams_%d_devsim_load_percent: %.0f\n", n, live.devsimLoadPercent);
        std::printf("streams_%d_machine_load_percent: %.0f\n", n, live.machineLoadPercent);
        std::printf("streams_%d_ratio: %.2f\n", n, ratio);
        std::fflush(stdout);
    }
    // A stream runs at 25 pictures a second; a second's window may hold one less. devsim ran on the
    // same cores throughout, so the verdict includes its load.
    const bool sustained = largest.decodedPerSecondMin >= 24.0 && largest.displayedPerSecondMin >= 24.0;
    std::printf("streams_%d_sustained_at_25_fps: %s\n", largestCount, sustained ? "yes" : "no");
    std::printf("ratio: %.2f\n", largestRatio);
    return 0;
}
