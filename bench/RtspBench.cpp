// Sixteen RTSP cameras from GStreamer's RTSP server (one shared 640x360 H.264 test pattern at 25
// pictures a second) in the main window's grid, opened as the operator opens them: the layout,
// then start-all, through the program's own libraries (the RTSP verification of the TCP client
// library, the FFmpeg video client's RTSP source and decode pipeline).
// Figures, measured in the same run:
//  - the client's CPU time per displayed picture, against FFmpeg's own reading and decoding of the
//    same sixteen RTSP streams (libavformat's RTSP input, one single-threaded decoder each; the
//    streams are live, so both are paced by the server); and, for comparison, against FFmpeg's
//    decoding plus the least display work by FFmpeg's and Qt's own means (libswscale's point
//    shrink to the tile, a QPainter copy);
//  - the time from X_ClientStart to the first painted picture, against the time ffprobe needs for
//    the first frame of the same stream (a mount of its own, so every reader starts at a key frame);
//  - the client's resident memory per live RTSP window.
// Last line: the CPU ratio.
#include "BenchSupport.h"
#include "GridBenchSupport.h"
#include "RtspServerProcess.h"
#include "devicelibs/cameras/NetworkCameras.h"
#include "devicelibs/cameras/RtspAddress.h"
#include "devicelibs/ffmpeg/FfmpegHandles.h"
#include "devicelibs/ffmpeg/FfmpegVideoClient.h"
#include "liveview/MyView.h"
#include "liveview/RenderWidget.h"
#include "liveview/ViewForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QProcess>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <optional>
#include <thread>
#include <vector>

namespace {

using namespace strovik;
using namespace strovik::bench;
using namespace std::chrono_literals;

constexpr int kCameras = 16;
constexpr std::uint16_t kFirstCameraPort = 1001;  // the device records' ports: one per camera
constexpr auto kOpenTimeout = 60s;
constexpr auto kWarmUp = 2s;
constexpr auto kMeasured = 10s;
constexpr int kFirstPictureRounds = 5;
const std::string kUser = "admin";
const std::string kPassword = "admin";

constexpr double kRatioGoal = 1.15;
constexpr double kFirstPictureRatioGoal = 1.2;
constexpr double kMegabytesPerWindowGoal = 8;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "bench: %s\n", what);
    std::exit(1);
}

QByteArray CameraList(const devsim::RtspServerProcess& server) {
    QByteArray list;
    for (int i = 0; i < kCameras; ++i) {
        list += QStringLiteral(
                    "[Cam%1]\nAddr=%2\nPort=%3\nChnCount=1\nNetType=1\nServerType=2\nDeviceType=2\n"
                    "User=admin\nPwd=admin\nAutoSearch=0\nProtocol=rtsp\nRtspMain=%4\n")
                    .arg(i + 1, 2, 10, QLatin1Char('0'))
                    .arg(QString::fromStdString(server.address()))
                    .arg(kFirstCameraPort + i)
                    .arg(QString::fromStdString(server.url()))
                    .toUtf8();
    }
    return list;
}

// What each baseline reader does with a decoded picture besides counting it.
struct BaselineDisplay {
    QSize tile;  // empty: nothing (decoding alone)
};

// The least display work with FFmpeg's and Qt's own means: libswscale's point shrink to the tile
// in RGB, and a QPainter copy of that into a tile of a window-sized image.
class TileDisplay final {
public:
    explicit TileDisplay(QSize tile) : tile_(tile), picture_(tile, QImage::Format_RGB32), canvas_(tile, QImage::Format_RGB32) {}
    void show(const AVFrame& frame) {
        context_.reset(sws_getCachedContext(context_.release(), frame.width, frame.height,
                                            static_cast<AVPixelFormat>(frame.format), tile_.width(), tile_.height(),
                                            AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr));
        if (!context_) return;
        std::uint8_t* destination[4] = {picture_.bits(), nullptr, nullptr, nullptr};
        const int stride[4] = {static_cast<int>(picture_.bytesPerLine()), 0, 0, 0};
        sws_scale(context_.get(), frame.data, frame.linesize, 0, frame.height, destination, stride);
        QPainter painter(&canvas_);
        painter.drawImage(QPoint(0, 0), picture_);
    }

private:
    QSize tile_;
    SwsContextPtr context_;
    QImage picture_;
    QImage canvas_;
};

// FFmpeg on its own: n readers of the RTSP address, each decoding what arrives with one
// single-threaded decoder (and showing it as display says), for the given time. CPU milliseconds
// of this process per picture.
double FfmpegRtspDecodeCpuMsPerPicture(int n, const std::string& address, std::chrono::milliseconds duration,
                                       BaselineDisplay display = {}) {
    std::atomic<bool> stop{false};
    std::atomic<std::int64_t> pictures{0};
    std::atomic<int> opened{0};
    std::vector<std::thread> readers;
    const std::string url = WithCredentials(address, kUser, kPassword);
    for (int i = 0; i < n; ++i) {
        readers.emplace_back([&] {
            AVFormatContext* raw = nullptr;
            AVDictionary* options = nullptr;
            av_dict_set(&options, "rtsp_transport", "tcp", 0);
            const int result = avformat_open_input(&raw, url.c_str(), nullptr, &options);
            av_dict_free(&options);
            if (result < 0) return;
            InputFormatPtr input(raw);
            const int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
            if (video < 0) return;
            const AVCodec* codec = avcodec_find_decoder(input->streams[video]->codecpar->codec_id);
            CodecContextPtr context(avcodec_alloc_context3(codec));
            avcodec_parameters_to_context(context.get(), input->streams[video]->codecpar);
            context->thread_count = 1;
            if (avcodec_open2(context.get(), codec, nullptr) < 0) return;
            ++opened;
            PacketPtr packet = MakePacket();
            FramePtr frame = MakeFrame();
            std::optional<TileDisplay> tile;
            if (!display.tile.isEmpty()) tile.emplace(display.tile);
            while (!stop && av_read_frame(input.get(), packet.get()) >= 0) {
                if (packet->stream_index == video && avcodec_send_packet(context.get(), packet.get()) >= 0) {
                    while (avcodec_receive_frame(context.get(), frame.get()) >= 0) {
                        if (tile) tile->show(*frame);
                        ++pictures;
                        av_frame_unref(frame.get());
                    }
                }
                av_packet_unref(packet.get());
            }
        });
    }
    // Measured once every reader plays, for the given time.
    QElapsedTimer opening;
    opening.start();
    while (opened < n && opening.elapsed() < 20000) std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(kWarmUp);
    const double cpuBefore = ProcessCpuSeconds();
    const std::int64_t picturesBefore = pictures;
    std::this_thread::sleep_for(duration);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const std::int64_t decoded = pictures - picturesBefore;
    stop = true;
    for (std::thread& reader : readers) reader.join();
    if (opened < n || decoded == 0) Fail("FFmpeg could not read the RTSP streams");
    return cpu * 1000.0 / static_cast<double>(decoded);
}

// The client: X_ClientStart of an RTSP camera until its first picture is painted, in ms.
double ClientFirstPictureMs(const std::string& address) {
    auto cameras = std::make_shared<NetworkCameras>();
    NetworkCamera camera;
    camera.protocol = CameraProtocol::Rtsp;
    camera.channels = {{address, {}}};
    cameras->Put("127.0.0.1", kFirstCameraPort, camera);
    FfmpegVideoClient client(cameras);
    RenderWidget target;
    target.resize(320, 180);
    target.show();
    ClientStartInfo info;
    info.address = "127.0.0.1";
    info.port = kFirstCameraPort;
    info.userName = kUser;
    info.password = kPassword;
    info.window = &target;
    QElapsedTimer timer;
    timer.start();
    const std::int32_t handle = client.X_ClientStart(info, -1, 2);
    if (handle < 1) Fail("the client could not start the RTSP stream");
    if (!RunEventsUntil([&] { return target.picturesPainted() > 0; }, 20s)) Fail("no first picture");
    const double elapsed = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    client.X_ClientStop(handle, 2);
    return elapsed;
}

// ffprobe's first frame of the same stream: the whole run of `ffprobe -show_frames` on the first
// packet, in ms.
double FfprobeFirstFrameMs(const std::string& address) {
    QProcess probe;
    QElapsedTimer timer;
    timer.start();
    probe.start(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-rtsp_transport"), QStringLiteral("tcp"),
                 QStringLiteral("-select_streams"), QStringLiteral("v:0"), QStringLiteral("-show_frames"),
                 QStringLiteral("-read_intervals"), QStringLiteral("%+#1"),
                 QString::fromStdString(WithCredentials(address, kUser, kPassword))});
    if (!probe.waitForFinished(20000) || probe.exitCode() != 0) Fail("ffprobe could not read the RTSP stream");
    if (!probe.readAllStandardOutput().contains("[FRAME]")) Fail("ffprobe printed no frame");
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    PrepareBenchmarkProcess();
    QApplication app(argc, argv);

    // The grid's sixteen cameras share one encoder; the first-picture runs get a fresh one each.
    devsim::RtspServerProcess grid16;
    devsim::RtspServerProcess fresh;
    devsim::RtspServerProcess::Setup setup;
    setup.userName = kUser;
    setup.password = kPassword;
    setup.shared = true;
    if (!grid16.start(setup)) Fail(grid16.errorString().toUtf8().constData());
    setup.shared = false;
    if (!fresh.start(setup)) Fail(fresh.errorString().toUtf8().constData());
    std::printf("stream: %s 25 fps, %d cameras\n", setup.size.c_str(), kCameras);

    GridSite site;
    site.openWindow(CameraList(grid16));
    TViewForm& grid = site.grid();
    grid.Timer1().stop();
    grid.TimerCpu().stop();
    RunEventsFor(1s);
    const std::int64_t idleBytes = ResidentBytes();

    QElapsedTimer opening;
    opening.start();
    const int live = site.openPage(kCameras, kOpenTimeout);
    const double openSeconds = static_cast<double>(opening.elapsed()) / 1000.0;
    if (live != kCameras) {
        std::fprintf(stderr, "bench: only %d of %d windows live\n", live, kCameras);
        for (int i = 0; i < kCameras; ++i)
            std::fprintf(stderr, "bench: window %d: state %d, %lld pictures painted, status \"%s\"\n", i + 1,
                         static_cast<int>(site.window(i).state()),
                         static_cast<long long>(site.window(i).picturesPainted()),
                         site.window(i).statusText().toUtf8().constData());
    }
    RunEventsFor(kWarmUp);
    const std::vector<qint64> before = site.painted(kCameras);
    const double cpuBefore = ProcessCpuSeconds();
    const double guiCpuBefore = ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    RunEventsFor(kMeasured);
    const double seconds = static_cast<double>(wall.nsecsElapsed()) * 1e-9;
    const double clientCpu = ProcessCpuSeconds() - cpuBefore;
    const double guiCpu = ThreadCpuSeconds() - guiCpuBefore;
    const std::vector<qint64> after = site.painted(kCameras);
    const std::int64_t liveBytes = ResidentBytes();
    qint64 displayed = 0;
    double slowestPerSecond = 1e9;
    for (int i = 0; i < kCameras; ++i) {
        displayed += after[i] - before[i];
        slowestPerSecond = std::min(slowestPerSecond, static_cast<double>(after[i] - before[i]) / seconds);
    }
    const double clientMs = displayed > 0 ? clientCpu * 1000.0 / static_cast<double>(displayed) : 0;
    const double guiMs = displayed > 0 ? guiCpu * 1000.0 / static_cast<double>(displayed) : 0;

    // The baselines run with the windows stopped, on the same cores.
    grid.NStopAllClick();
    RunEventsFor(1s);
    const double ffmpegMs = FfmpegRtspDecodeCpuMsPerPicture(kCameras, grid16.url(), kMeasured);
    const QSize tile = site.window(0).size();
    const double displayedMs = FfmpegRtspDecodeCpuMsPerPicture(kCameras, grid16.url(), kMeasured, {tile});

    std::vector<double> clientFirst;
    std::vector<double> ffprobeFirst;
    for (int round = 0; round < kFirstPictureRounds; ++round) {
        clientFirst.push_back(ClientFirstPictureMs(fresh.url()));
        ffprobeFirst.push_back(FfprobeFirstFrameMs(fresh.url()));
    }
    const double clientFirstMs = Quantile(clientFirst, 0.5);
    const double ffprobeFirstMs = Quantile(ffprobeFirst, 0.5);

    const double ratio = ffmpegMs > 0 ? clientMs / ffmpegMs : 0;
    const double firstRatio = ffprobeFirstMs > 0 ? clientFirstMs / ffprobeFirstMs : 0;
    const double perWindowMb = Megabytes(liveBytes - idleBytes) / kCameras;
    std::printf("windows_live: %d\n", live);
    std::printf("open_seconds: %.1f\n", openSeconds);
    std::printf("displayed_per_second_min: %.1f\n", slowestPerSecond);
    std::printf("client_cpu_ms_per_displayed_picture: %.3f\n", clientMs);
    std::printf("client_gui_thread_cpu_ms_per_displayed_picture: %.3f\n", guiMs);
    std::printf("ffmpeg_rtsp_decode_cpu_ms_per_picture: %.3f\n", ffmpegMs);
    // Not the goal's baseline: what decoding plus the least display work costs, for comparison.
    std::printf("ffmpeg_rtsp_decode_point_shrink_paint_%dx%d_cpu_ms_per_picture: %.3f\n", tile.width(), tile.height(),
                displayedMs);
    std::printf("ratio_to_decode_point_shrink_paint: %.2f\n", displayedMs > 0 ? clientMs / displayedMs : 0);
    std::printf("first_picture_client_ms_median: %.0f\n", clientFirstMs);
    std::printf("first_frame_ffprobe_ms_median: %.0f\n", ffprobeFirstMs);
    std::printf("first_picture_ratio: %.2f\n", firstRatio);
    std::printf("rss_idle_mb: %.1f\n", Megabytes(idleBytes));
    std::printf("rss_%d_live_mb: %.1f\n", kCameras, Megabytes(liveBytes));
    std::printf("rss_per_live_window_mb: %.2f\n", perWindowMb);
    std::printf("message_boxes: %d\n", site.ui().messages());
    std::printf("goal_ratio_at_most_%.2f: %s\n", kRatioGoal, Verdict(ratio <= kRatioGoal));
    std::printf("goal_first_picture_ratio_at_most_%.1f: %s\n", kFirstPictureRatioGoal,
                Verdict(firstRatio <= kFirstPictureRatioGoal));
    std::printf("goal_rss_per_live_window_at_most_%.0f_mb: %s\n", kMegabytesPerWindowGoal,
                Verdict(perWindowMb <= kMegabytesPerWindowGoal));
    std::printf("ratio: %.2f\n", ratio);
    return 0;
}
