#include "liveview/GridLayout.h"

#include <cmath>

namespace strovik {

QRect GridWindowRect(int layout, int index, QSize gridSize) {
    if (layout < 1 || index < 0 || index >= layout || index >= kGridWindowCount) return {};
    const int k = static_cast<int>(std::sqrt(static_cast<double>(layout)));
    const int cellWidth = (gridSize.width() - 1) / k;
    const int cellHeight = (gridSize.height() - 1) / k;
    return QRect((index % k) * cellWidth + 1, (index / k) * cellHeight + 1, cellWidth - 1, cellHeight - 1);
}

}  // namespace strovik
