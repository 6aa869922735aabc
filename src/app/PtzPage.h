#pragma once

#include <QWidget>

#include <cstdint>

namespace strovik {

// The tool notebook's PTZ page: the direction pad and the zoom, focus, iris and wiper rows. Each
// button carries the command code it sends on press (property "ptzCode"). The page only reports the
// operator's presses and releases; PtzControl acts on them.
class TPtzPage final : public QWidget {
    Q_OBJECT

public:
    explicit TPtzPage(QWidget* parent = nullptr);

    void applyGeometry();

Q_SIGNALS:
    // A button went down (also when the pointer comes back onto it held): its press code.
    void ptzPressed(std::uint8_t pressCode);
    // A button that has a stop command went up, or the pointer left it held: that stop code.
    void ptzReleased(std::uint8_t releaseCode);
};

}  // namespace strovik
