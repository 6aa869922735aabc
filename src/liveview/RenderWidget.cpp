#include "liveview/RenderWidget.h"

#include <QPainter>
#include <QResizeEvent>

namespace strovik {

RenderWidget::RenderWidget(QWidget* parent) : QWidget(parent), slot_(std::make_shared<PictureSlot>()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    slot_->attach(this);
}

RenderWidget::~RenderWidget() {
    slot_->detach();
}

bool RenderWidget::event(QEvent* event) {
    if (event->type() == PictureSlot::pictureReadyEventType()) {
        update();
        return true;
    }
    return QWidget::event(event);
}

void RenderWidget::paintEvent(QPaintEvent*) {
    const QImage picture = slot_->latestPicture();
    QPainter painter(this);
    if (picture.isNull()) {
        painter.fillRect(rect(), Qt::black);
        paintIdle(painter);
        return;
    }
    if (picture.cacheKey() != lastCacheKey_) {
        lastCacheKey_ = picture.cacheKey();
        lastPictureSize_ = picture.size();
        ++picturesPainted_;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rect(), picture);
}

void RenderWidget::resizeEvent(QResizeEvent* event) {
    slot_->setTargetSize(event->size());
    QWidget::resizeEvent(event);
}

}  // namespace strovik
