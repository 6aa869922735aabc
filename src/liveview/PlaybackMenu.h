#pragma once

#include <QObject>

#include <functional>

class QAction;
class QMenu;

namespace strovik {

class StringTable;
class TMyView;

// The playback commands of the grid's popup menu and keys: pause / resume (space), faster (+),
// slower (-) and one frame on (right arrow), always for the selected window, and only while it
// plays a recording. GUI thread only.
class PlaybackMenu final : public QObject {
    Q_OBJECT

public:
    using SelectedWindow = std::function<TMyView*()>;

    PlaybackMenu(QMenu& menu, const StringTable& strings, SelectedWindow selectedWindow, QObject* parent);

    // Before the menu opens: the items show only for a window that plays a recording.
    void prepare();
    // True when key was one of the playback keys and the selected window plays a recording.
    bool handleKey(int key);

    QAction* NPause = nullptr;
    QAction* NFaster = nullptr;
    QAction* NSlower = nullptr;
    QAction* NNextFrame = nullptr;

private:
    TMyView* playingWindow() const;

    SelectedWindow selectedWindow_;
    QAction* separator_ = nullptr;
};

}  // namespace strovik
