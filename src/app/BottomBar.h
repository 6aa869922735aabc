#pragma once

#include <QWidget>

class QLabel;
class QMenu;
class QPushButton;
class QSlider;
class QToolButton;

namespace strovik {

struct MainWindowLayout;

// The bottom bar PanelBottom: the stretched background picture, the version label, the tool
// buttons, the speaker picture with the volume slider, and the exit button; with the menus the
// layout and setup buttons open.
class TBottomBar final : public QWidget {
    Q_OBJECT

public:
    explicit TBottomBar(QWidget* parent = nullptr);

    // Places the controls as layout says (bottom bar coordinates) and shows versionText.
    void applyLayout(const MainWindowLayout& layout, const QString& versionText);

    QLabel* ImagePlayFloor = nullptr;
    QLabel* lblVersion = nullptr;
    QToolButton* FindDevBtn = nullptr;
    QToolButton* PlayAllBtn = nullptr;
    QToolButton* SnapBtn = nullptr;
    QToolButton* ScreenModeBtn = nullptr;  // tag 1: the layout menu
    QToolButton* WinFloatBtn = nullptr;
    QToolButton* SetupBtn = nullptr;  // tag 2: the setup menu
    QToolButton* HelpBtn = nullptr;
    QToolButton* AudioBtn = nullptr;
    QSlider* VolumeBar = nullptr;
    QToolButton* PowerBtn = nullptr;
    QPushButton* RecAllBtn = nullptr;
    QPushButton* RecChnBtn = nullptr;

    QMenu* ScreenModeMenu = nullptr;
    QMenu* SetupMenu = nullptr;

Q_SIGNALS:
    // A layout item of the layout menu: show n windows.
    void layoutChosen(int n);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ScreenModeBtnMouseUp(QToolButton* button, QPoint position);
};

}  // namespace strovik
