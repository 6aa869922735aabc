#include "liveview/PlaybackMenu.h"

#include "liveview/MyView.h"
#include "liveview/PlaybackTexts.h"
#include "platform/NamedControls.h"
#include "platform/StringTable.h"
#include "recordings/RemotePlayback.h"

#include <QMenu>

namespace strovik {

PlaybackMenu::PlaybackMenu(QMenu& menu, const StringTable& strings, SelectedWindow selectedWindow,
                           QObject* parent)
    : QObject(parent), selectedWindow_(std::move(selectedWindow)) {
    separator_ = menu.addSeparator();
    NPause = AddMenuItem(&menu, "NPause", strings.Lookup(PlaybackText::PauseResume));
    NFaster = AddMenuItem(&menu, "NFaster", strings.Lookup(PlaybackText::Faster));
    NSlower = AddMenuItem(&menu, "NSlower", strings.Lookup(PlaybackText::Slower));
    NNextFrame = AddMenuItem(&menu, "NNextFrame", strings.Lookup(PlaybackText::NextFrame));
    NPause->setShortcut(Qt::Key_Space);
    NFaster->setShortcut(Qt::Key_Plus);
    NSlower->setShortcut(Qt::Key_Minus);
    NNextFrame->setShortcut(Qt::Key_Right);
    // The grid's key handler runs the keys; the menu only shows them.
    for (QAction* action : {NPause, NFaster, NSlower, NNextFrame})
        action->setShortcutContext(Qt::WidgetShortcut);
    const auto onWindow = [this](auto command) {
        return [this, command] {
            if (TMyView* window = playingWindow()) command(*window);
        };
    };
    connect(NPause, &QAction::triggered, this, onWindow([](TMyView& window) { window.TogglePause(); }));
    connect(NFaster, &QAction::triggered, this, onWindow([](TMyView& window) { window.ChangeSpeed(+1); }));
    connect(NSlower, &QAction::triggered, this, onWindow([](TMyView& window) { window.ChangeSpeed(-1); }));
    connect(NNextFrame, &QAction::triggered, this, onWindow([](TMyView& window) { window.StepFrame(); }));
    prepare();
}

TMyView* PlaybackMenu::playingWindow() const {
    TMyView* window = selectedWindow_();
    return window != nullptr && window->state() == ViewState::Playback ? window : nullptr;
}

void PlaybackMenu::prepare() {
    TMyView* window = playingWindow();
    const bool playing = window != nullptr;
    for (QAction* action : {separator_, NPause, NFaster, NSlower, NNextFrame}) action->setVisible(playing);
    if (!playing) return;
    const RemotePlayback& playback = window->playback();
    NFaster->setEnabled(playback.speedStep() < kFastestSpeedStep);
    NSlower->setEnabled(playback.speedStep() > kSlowestSpeedStep);
    NNextFrame->setEnabled(playback.paused());
}

bool PlaybackMenu::handleKey(int key) {
    TMyView* window = playingWindow();
    if (window == nullptr) return false;
    switch (key) {
        case Qt::Key_Space:
            window->TogglePause();
            return true;
        case Qt::Key_Plus:
        case Qt::Key_Equal:  // + without shift
            window->ChangeSpeed(+1);
            return true;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            window->ChangeSpeed(-1);
            return true;
        case Qt::Key_Right:
            window->StepFrame();
            return true;
        default:
            return false;
    }
}

}  // namespace strovik
