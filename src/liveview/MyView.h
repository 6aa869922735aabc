#pragma once

#include <QWidget>

namespace strovik {

// One video window of the grid: a black surface that a stream renders into. It reports presses
// to the grid, which decides what they mean. GUI thread only.
class TMyView : public QWidget {
    Q_OBJECT

public:
    // tag is the window's index + 65, the number the grid and the player ports know it by.
    TMyView(int tag, QWidget* parent);

    int tag() const { return tag_; }

Q_SIGNALS:
    void pressed(int tag, Qt::MouseButton button, QPoint globalPosition);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    int tag_;
};

}  // namespace strovik
