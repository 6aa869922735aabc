#include "app/TrayPresence.h"

#include "app/Artwork.h"

#include <QEvent>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace strovik {

TrayPresence::TrayPresence(QWidget& window, std::function<void()> restore)
    : QObject(&window), window_(window), restore_(std::move(restore)) {
    icon_ = new QSystemTrayIcon(ApplicationIcon(), this);
    icon_->setObjectName(QStringLiteral("TrayIcon"));
    icon_->setToolTip(QLatin1String(kHint));
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) restore_();
    });
    if (QSystemTrayIcon::isSystemTrayAvailable()) icon_->show();
    window_.installEventFilter(this);
}

TrayPresence::~TrayPresence() { icon_->hide(); }

bool TrayPresence::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::WindowStateChange && window_.isMinimized() &&
        QSystemTrayIcon::isSystemTrayAvailable()) {
        // Hiding inside the state change confuses some window managers: do it right after.
        QTimer::singleShot(0, &window_, [this] {
            if (window_.isMinimized()) window_.hide();
        });
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace strovik
