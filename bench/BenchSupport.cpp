#include "BenchSupport.h"

#include "devicelibs/ffmpeg/FfmpegHandles.h"

#include <QEventLoop>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <cmath>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace strovik::bench {

namespace {

double Seconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

double ProcessCpuSeconds() {
    return Seconds(CLOCK_PROCESS_CPUTIME_ID);
}

double ThreadCpuSeconds() {
    return Seconds(CLOCK_THREAD_CPUTIME_ID);
}

double ProcessCpuSeconds(int pid) {
    std::ifstream statFile("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(statFile, stat);
    // The fields after the command name, which is in parentheses and may hold blanks: state is
    // field 3, utime field 14 and stime field 15.
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    std::string field;
    double ticks = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number)
        if (number >= 14) ticks += std::stod(field);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::int64_t ResidentBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6)) * 1024;  // in kB
    return 0;
}

HeapBytes AllocatorBytes() {
    const struct mallinfo2 info = mallinfo2();
    return {static_cast<std::int64_t>(info.uordblks + info.hblkhd), static_cast<std::int64_t>(info.fordblks)};
}

void RunEventsFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= timeout.count()) return false;
        RunEventsFor(std::chrono::milliseconds(10));
    }
    return true;
}

double Quantile(std::vector<double> samples, double p) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(samples.size())));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

GuiLatencyProbe::GuiLatencyProbe(std::chrono::milliseconds interval) : interval_(interval) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &GuiLatencyProbe::fired);
    clock_.start();
}

void GuiLatencyProbe::start() {
    lateness_.clear();
    armedAtNs_ = clock_.nsecsElapsed();
    timer_.start(interval_);
}

void GuiLatencyProbe::stop() {
    timer_.stop();
}

void GuiLatencyProbe::fired() {
    const qint64 now = clock_.nsecsElapsed();
    const double late = static_cast<double>(now - armedAtNs_) * 1e-6 - static_cast<double>(interval_.count());
    lateness_.push_back(std::max(0.0, late));
    armedAtNs_ = now;
    timer_.start(interval_);
}

int MachineLoad::percentSinceLast() {
    const std::optional<CpuTimes> now = ReadCpuTimes();
    if (!now || !last_) return -1;
    const std::optional<int> percent = LoadPercentBetween(*last_, *now);
    last_ = now;
    return percent.value_or(-1);
}

double DecodeCpuMsPerPicture(int n, const devsim::EncodedLoop& loop, Pacing pacing, int pictures) {
    std::atomic<double> cpuSeconds{0};
    std::vector<std::thread> decoders;
    for (int i = 0; i < n; ++i) {
        decoders.emplace_back([&] {
            const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
            CodecContextPtr context(avcodec_alloc_context3(codec));
            context->thread_count = 1;
            if (avcodec_open2(context.get(), codec, nullptr) < 0) std::exit(1);
            PacketPtr packet = MakePacket();
            FramePtr frame = MakeFrame();
            const double start = ThreadCpuSeconds();
            for (int p = 0; p < pictures; ++p) {
                const devsim::EncodedPicture& picture =
                    loop.pictures[static_cast<std::size_t>(p) % loop.pictures.size()];
                av_new_packet(packet.get(), static_cast<int>(picture.data.size()));
                std::copy(picture.data.begin(), picture.data.end(), packet->data);
                avcodec_send_packet(context.get(), packet.get());
                av_packet_unref(packet.get());
                while (avcodec_receive_frame(context.get(), frame.get()) >= 0) av_frame_unref(frame.get());
                if (pacing == Pacing::RealTime) std::this_thread::sleep_for(std::chrono::milliseconds(40));
            }
            const double used = ThreadCpuSeconds() - start;
            double total = cpuSeconds.load();
            while (!cpuSeconds.compare_exchange_weak(total, total + used)) {
            }
        });
    }
    for (std::thread& decoder : decoders) decoder.join();
    return cpuSeconds.load() * 1000.0 / (n * pictures);
}

void PrepareBenchmarkProcess() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
}

}  // namespace strovik::bench
