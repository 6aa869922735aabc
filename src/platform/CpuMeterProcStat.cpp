#include "platform/CpuMeter.h"

#include <fstream>
#include <string>

namespace strovik {

std::optional<CpuTimes> ReadCpuTimes() {
    std::ifstream stat("/proc/stat");
    std::string line;
    if (!std::getline(stat, line)) return std::nullopt;
    return ParseProcStatCpuLine(line);
}

}  // namespace strovik
