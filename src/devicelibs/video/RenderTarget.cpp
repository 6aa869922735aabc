#include "devicelibs/video/RenderTarget.h"

#include <QCoreApplication>
#include <QEvent>

#include <utility>

namespace strovik {

int PictureSlot::pictureReadyEventType() {
    static const int type = QEvent::registerEventType();
    return type;
}

void PictureSlot::attach(QObject* receiver) {
    {
        std::lock_guard lock(receiverMutex_);
        receiver_ = receiver;
    }
    {
        std::lock_guard lock(mutex_);
        eventPending_ = true;
    }
    post();
}

void PictureSlot::detach() {
    std::lock_guard lock(receiverMutex_);
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
    bool notify = false;
    {
        std::lock_guard lock(mutex_);
        picture_.swap(picture);
        ++published_;
        notify = !std::exchange(eventPending_, true);
    }
    if (notify) post();
}

void PictureSlot::clear() {
    QImage old;
    bool notify = false;
    {
        std::lock_guard lock(mutex_);
        picture_.swap(old);
        notify = !std::exchange(eventPending_, true);
    }
    if (notify) post();
}

void PictureSlot::post() {
    // Under the receiver's lock, not the picture's: detach() waits for a post in progress, so the
    // receiver is alive while the event is queued (and a queued event dies with it). The post
    // wakes the GUI thread, which may take the worker's core at once; were the picture's lock
    // still held then, the paint it wakes for would wait until the worker got a core again,
    // which on a busy machine with many streams is a tenth of a second and more.
    std::lock_guard lock(receiverMutex_);
    if (receiver_ != nullptr)
        QCoreApplication::postEvent(receiver_,
                                    new QEvent(static_cast<QEvent::Type>(pictureReadyEventType())));
}

}  // namespace strovik
