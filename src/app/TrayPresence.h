#pragma once

#include <QObject>

#include <functional>

class QSystemTrayIcon;
class QWidget;

namespace strovik {

// The main window's place in the system tray: an icon that is always there, and a window that goes
// into the tray when minimised and comes back when the icon is clicked. Without a tray (no
// notification area on the desktop) the window minimises as usual, so it can never get lost.
class TrayPresence final : public QObject {
    Q_OBJECT

public:
    // restore brings the window back; it runs on a click of the icon.
    TrayPresence(QWidget& window, std::function<void()> restore);
    ~TrayPresence() override;

    QSystemTrayIcon& icon() { return *icon_; }
    static constexpr char kHint[] = "Zentrova";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    QSystemTrayIcon* icon_ = nullptr;
    std::function<void()> restore_;
};

}  // namespace strovik
