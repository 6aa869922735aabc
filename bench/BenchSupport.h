#pragma once

// What the live benchmarks share: CPU time of this process, its threads and devsim, resident
// memory, running the GUI thread's event loop, the GUI thread's event latency, the machine load and
// the FFmpeg decoding baseline.
#include "devsim/media/EncodedLoop.h"
#include "platform/CpuMeter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace strovik::bench {

double ProcessCpuSeconds();
double ThreadCpuSeconds();
// CPU time of another process (devsim), from its user and system time in /proc/<pid>/stat.
double ProcessCpuSeconds(int pid);
// This process's resident memory (VmRSS), in bytes.
std::int64_t ResidentBytes();
// What the C allocator holds, all arenas together: handed out (in use, mmapped blocks included) and
// free but kept. In-use bytes that grow are a leak; free bytes that grow are fragmentation.
struct HeapBytes {
    std::int64_t inUse = 0;
    std::int64_t freeKept = 0;
};
HeapBytes AllocatorBytes();
inline double Megabytes(std::int64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// Runs the GUI thread's event loop (it sleeps while there is nothing to do).
void RunEventsFor(std::chrono::milliseconds duration);
// Runs it until done() holds, looking every 10 ms; false when the timeout passed first.
bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// The p-th quantile (0..1) of samples, 0 for none.
double Quantile(std::vector<double> samples, double p);

// How late the GUI thread serves a 10 ms timer: each time it fires, the time beyond the 10 ms since
// it was armed is one sample. A GUI thread busy with painting or slow handlers shows up here the
// way the operator feels it, as late clicks and late repaints.
class GuiLatencyProbe final : public QObject {
public:
    explicit GuiLatencyProbe(std::chrono::milliseconds interval = std::chrono::milliseconds(10));
    void start();  // clears the samples
    void stop();
    const std::vector<double>& latenessMs() const { return lateness_; }
    double p99Ms() const { return Quantile(lateness_, 0.99); }
    double maxMs() const { return Quantile(lateness_, 1.0); }

private:
    void fired();

    std::chrono::milliseconds interval_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 armedAtNs_ = 0;
    std::vector<double> lateness_;
};

// The machine's load (all cores, all processes) between two readings of /proc/stat.
class MachineLoad final {
public:
    MachineLoad() : last_(ReadCpuTimes()) {}
    // Percent busy since the previous call (or since construction); -1 when unreadable.
    int percentSinceLast();

private:
    std::optional<CpuTimes> last_;
};

// CPU milliseconds per picture of n single-threaded libavcodec decoders decoding the loop at once,
// each `pictures` pictures: flat out, or paced at 25 a second as live pictures arrive. A decoder
// that waits 40 ms between pictures finds its reference pictures gone from the caches, so the
// paced figure is FFmpeg's own cost for real-time streams, which decoding flat out does not pay.
enum class Pacing { FlatOut, RealTime };
double DecodeCpuMsPerPicture(int n, const devsim::EncodedLoop& loop, Pacing pacing, int pictures = 100);

// Before the QApplication: offscreen unless a platform is set, and stdout line-buffered so that the
// figures show as they come, also through a pipe.
void PrepareBenchmarkProcess();
// "met" or "missed", for the goal lines.
inline const char* Verdict(bool met) { return met ? "met" : "missed"; }

}  // namespace strovik::bench
