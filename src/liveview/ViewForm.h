#pragma once

#include "liveview/GridLayout.h"

#include <QWidget>

#include <array>

class QAction;
class QMenu;

namespace strovik {

class TMyView;

// The video grid: owns the 64 video windows, lays 1, 4, 9, 16, 25, 36 or 64 of them out in a
// square and keeps one of them selected, framed in lime. The main window places it in its video
// area. GUI thread only.
class TViewForm : public QWidget {
    Q_OBJECT

public:
    explicit TViewForm(QWidget* parent = nullptr);
    ~TViewForm() override;

    // Shows the first n windows in a square and hides the others.
    void SetLayout(int n);
    // Selects window index (0-based) when it lies in 0..63 and frames it when it is laid out.
    void SelectWindow(int index);

    int layout() const { return layout_; }
    int selected() const { return selected_; }
    TMyView* view(int index) const;
    // The popup menu of the video windows and its full-screen item, which the main window shows
    // only while the operator may use the grid.
    QMenu* pmMain() const { return pmMain_; }
    QAction* NFullscreen() const { return nFullscreen_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void VideoFrameMouseDown(int tag, Qt::MouseButton button, QPoint globalPosition);

    QWidget* selectionFrame_ = nullptr;
    std::array<TMyView*, kGridWindowCount> views_{};
    QMenu* pmMain_ = nullptr;
    QAction* nFullscreen_ = nullptr;
    int layout_ = kStartLayout;
    int selected_ = 0;
};

}  // namespace strovik
