#pragma once

#include <QWidget>

#include <vector>

namespace strovik {

struct NamedRect;

// Gives every named child of root its place from the table; names without a control are skipped.
// A label grows beyond its place when its text needs the room.
void PlaceControls(QWidget& root, const std::vector<NamedRect>& places);

}  // namespace strovik
