#pragma once

#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace strovik {

// Windows find their controls, and the caption table finds them too, by their design names.

// A control of type T under parent, with its design name (and caption).
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

// Appends an item with its design name and caption to menu.
QAction* AddMenuItem(QMenu* menu, const char* name, const QString& caption);

}  // namespace strovik
