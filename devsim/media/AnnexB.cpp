#include "devsim/media/AnnexB.h"

#include <functional>

namespace strovik::devsim {

namespace {

constexpr int kNalSlice = 1;
constexpr int kNalIdrSlice = 5;
constexpr int kNalSps = 7;
constexpr int kNalPps = 8;

// Calls visit(begin, end) for each NAL unit (without its start code); stops when visit says so.
void ForEachNal(const std::vector<std::uint8_t>& data,
                const std::function<bool(std::size_t, std::size_t)>& visit) {
    const std::size_t size = data.size();
    auto nextStart = [&](std::size_t from) {
        for (std::size_t i = from; i + 2 < size; ++i)
            if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) return i;
        return size;
    };
    std::size_t start = nextStart(0);
    while (start < size) {
        const std::size_t begin = start + 3;
        std::size_t next = nextStart(begin);
        std::size_t end = next;
        while (end > begin && data[end - 1] == 0) --end;  // trailing zeros belong to the next start code
        if (begin < end && !visit(begin, end)) return;
        start = next;
    }
}

}  // namespace

bool IsReferencePicture(const std::vector<std::uint8_t>& accessUnit) {
    bool referenced = true;
    ForEachNal(accessUnit, [&](std::size_t begin, std::size_t) {
        const int type = accessUnit[begin] & 0x1F;
        if (type != kNalSlice && type != kNalIdrSlice) return true;
        referenced = (accessUnit[begin] & 0x60) != 0;
        return false;
    });
    return referenced;
}

std::vector<std::uint8_t> ParameterSets(const std::vector<std::uint8_t>& accessUnit) {
    std::vector<std::uint8_t> sets;
    ForEachNal(accessUnit, [&](std::size_t begin, std::size_t end) {
        const int type = accessUnit[begin] & 0x1F;
        if (type == kNalSps || type == kNalPps) {
            sets.insert(sets.end(), {0, 0, 0, 1});
            sets.insert(sets.end(), accessUnit.begin() + static_cast<std::ptrdiff_t>(begin),
                        accessUnit.begin() + static_cast<std::ptrdiff_t>(end));
        }
        return true;
    });
    return sets;
}

}  // namespace strovik::devsim
