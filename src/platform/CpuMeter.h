#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

namespace strovik {

// Cumulative CPU time of the whole system, in the operating system's ticks.
struct CpuTimes {
    std::uint64_t busy = 0;
    std::uint64_t total = 0;
};

// The system's CPU load, all cores together, in percent over the time since the previous reading.
// Thread-safe. The first reading covers the time since the meter was made.
class CpuMeter final {
public:
    CpuMeter();
    int loadPercent();

private:
    std::mutex mutex_;
    std::optional<CpuTimes> previous_;
    int lastPercent_ = 0;
};

// Reads the system's counters now (platform files: /proc/stat on Linux, GetSystemTimes on Windows).
std::optional<CpuTimes> ReadCpuTimes();

// The "cpu" line of /proc/stat (user nice system idle iowait irq softirq steal ...): idle and
// iowait count as not busy; guest time is already inside user and nice.
std::optional<CpuTimes> ParseProcStatCpuLine(std::string_view text);

// Busy share between two readings in percent (0..100); nullopt when no time passed.
std::optional<int> LoadPercentBetween(const CpuTimes& earlier, const CpuTimes& later);

}  // namespace strovik
