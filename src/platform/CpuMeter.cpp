#include "platform/CpuMeter.h"

#include <algorithm>
#include <charconv>

namespace strovik {

CpuMeter::CpuMeter() : previous_(ReadCpuTimes()) {}

int CpuMeter::loadPercent() {
    std::lock_guard lock(mutex_);
    const std::optional<CpuTimes> now = ReadCpuTimes();
    if (!now) return lastPercent_;
    // Readings closer together than the counters' resolution keep the last figure.
    if (previous_) {
        if (const std::optional<int> percent = LoadPercentBetween(*previous_, *now)) {
            lastPercent_ = *percent;
            previous_ = now;
        }
    } else {
        previous_ = now;
    }
    return lastPercent_;
}

std::optional<CpuTimes> ParseProcStatCpuLine(std::string_view text) {
    if (!text.starts_with("cpu ")) return std::nullopt;
    text.remove_prefix(4);
    std::uint64_t fields[8] = {};
    int count = 0;
    while (count < 8) {
        while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
        if (text.empty() || text.front() == '\n') break;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), fields[count]);
        if (error != std::errc()) return std::nullopt;
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        ++count;
    }
    if (count < 4) return std::nullopt;  // user nice system idle at least
    CpuTimes times;
    for (int i = 0; i < count; ++i) times.total += fields[i];
    times.busy = times.total - fields[3] - fields[4];
    return times;
}

std::optional<int> LoadPercentBetween(const CpuTimes& earlier, const CpuTimes& later) {
    if (later.total <= earlier.total || later.busy < earlier.busy) return std::nullopt;
    const std::uint64_t total = later.total - earlier.total;
    const std::uint64_t busy = std::min(later.busy - earlier.busy, total);
    return static_cast<int>((busy * 100 + total / 2) / total);
}

}  // namespace strovik
