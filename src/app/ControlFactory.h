#pragma once

#include <QString>
#include <QWidget>

#include <vector>

namespace strovik {

struct NamedRect;

// Creates a control of type T under parent with its design name and caption.
template <typename T>
T* MakeControl(QWidget* parent, const char* name) {
    auto* control = new T(parent);
    control->setObjectName(QLatin1String(name));
    return control;
}

template <typename T>
T* MakeControl(QWidget* parent, const char* name, const QString& caption) {
    auto* control = new T(caption, parent);
    control->setObjectName(QLatin1String(name));
    return control;
}

// Gives every named child of root its place from the table; names without a control are skipped.
void PlaceControls(QWidget& root, const std::vector<NamedRect>& places);

}  // namespace strovik
