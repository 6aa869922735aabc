#include "devicelibs/video/RenderTarget.h"

#include <QCoreApplication>
#include <QEvent>

namespace strovik {

int PictureSlot::pictureReadyEventType() {
    static const int type = QEvent::registerEventType();
    return type;
}

void PictureSlot::attach(QObject* receiver) {
    std::lock_guard lock(mutex_);
    receiver_ = receiver;
    eventPending_ = false;
    notifyLocked();
}

void PictureSlot::detach() {
    std::lock_guard lock(mutex_);
    receiver_ = nullptr;
}

void PictureSlot::setTargetSize(QSize size) {
    std::lock_guard lock(mutex_);
    targetSize_ = size;
}

QImage PictureSlot::latestPicture() {
    std::lock_guard lock(mutex_);
    eventPending_ = false;
    return picture_;
}

QSize PictureSlot::targetSize() const {
    std::lock_guard lock(mutex_);
    return targetSize_;
}

void PictureSlot::publish(QImage& picture) {
    std::lock_guard lock(mutex_);
    picture_.swap(picture);
    ++published_;
    notifyLocked();
}

void PictureSlot::clear() {
    QImage old;
    std::lock_guard lock(mutex_);
    picture_.swap(old);
    notifyLocked();
}

void PictureSlot::notifyLocked() {
    // Posting under the lock: detach() takes the same lock, so the receiver is alive while the
    // event is queued, and a queued event dies with its receiver.
    if (receiver_ == nullptr || eventPending_) return;
    eventPending_ = true;
    QCoreApplication::postEvent(receiver_, new QEvent(static_cast<QEvent::Type>(pictureReadyEventType())));
}

}  // namespace strovik
