#include "liveview/MyView.h"

#include <QMouseEvent>

namespace strovik {

TMyView::TMyView(int tag, QWidget* parent) : QWidget(parent), tag_(tag) {
    setObjectName(QStringLiteral("VideoFrame%1").arg(tag));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setCursor(Qt::PointingHandCursor);
}

void TMyView::mousePressEvent(QMouseEvent* event) {
    Q_EMIT pressed(tag_, event->button(), event->globalPosition().toPoint());
    QWidget::mousePressEvent(event);
}

}  // namespace strovik
