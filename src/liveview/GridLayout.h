#pragma once

#include <QRect>
#include <QSize>

namespace strovik {

// The grid holds 64 video windows, indexed 0..63; a window's tag and its player port are its
// index + 65.
inline constexpr int kGridWindowCount = 64;
inline constexpr int kWindowTagBase = 65;
inline constexpr int kStartLayout = 4;

// The layouts the grid offers; each is a square of k x k windows.
inline constexpr int kGridLayouts[] = {1, 4, 9, 16, 25, 36, 64};

// Where window index lies when layout windows are shown in a grid of gridSize: k = the integer
// square root of layout, cells of (width - 1) / k by (height - 1) / k, a 1-pixel margin at the top
// and left and 1-pixel gaps between windows. Empty for a window outside the layout.
QRect GridWindowRect(int layout, int index, QSize gridSize);

}  // namespace strovik
