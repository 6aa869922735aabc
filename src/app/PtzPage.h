#pragma once

#include <QWidget>

namespace strovik {

// The tool notebook's PTZ page: the direction pad and the zoom, focus, iris and wiper rows. Each
// button carries the command code it sends on press (property "ptzCode").
class TPtzPage final : public QWidget {
    Q_OBJECT

public:
    explicit TPtzPage(QWidget* parent = nullptr);

    void applyGeometry();
};

}  // namespace strovik
