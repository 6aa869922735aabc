#include "platform/CpuMeter.h"

#include <windows.h>

namespace strovik {

std::optional<CpuTimes> ReadCpuTimes() {
    FILETIME idle{};
    FILETIME kernel{};
    FILETIME user{};
    if (!GetSystemTimes(&idle, &kernel, &user)) return std::nullopt;
    const auto ticks = [](const FILETIME& time) {
        return std::uint64_t(time.dwHighDateTime) << 32 | std::uint64_t(time.dwLowDateTime);
    };
    // Kernel time includes the idle time.
    CpuTimes times;
    times.total = ticks(kernel) + ticks(user);
    times.busy = times.total - ticks(idle);
    return times;
}

}  // namespace strovik
