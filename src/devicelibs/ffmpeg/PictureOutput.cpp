#include "devicelibs/ffmpeg/PictureOutput.h"

#include <QString>

namespace strovik {

PictureOutput::~PictureOutput() {
    if (slot_) slot_->clear();
}

void PictureOutput::setRenderTarget(std::shared_ptr<PictureSlot> slot) {
    std::shared_ptr<PictureSlot> old;
    {
        std::lock_guard lock(targetMutex_);
        old = std::exchange(slot_, std::move(slot));
        if (old == slot_) return;
    }
    if (old) old->clear();
}

void PictureOutput::show(const AVFrame& frame) {
    {
        std::lock_guard lock(snapshotMutex_);
        if (!lastPicture_) lastPicture_ = MakeFrame();
        if (lastPicture_) {
            av_frame_unref(lastPicture_.get());
            if (av_frame_ref(lastPicture_.get(), &frame) < 0) lastPicture_.reset();
        }
    }
    std::shared_ptr<PictureSlot> slot;
    {
        std::lock_guard lock(targetMutex_);
        slot = slot_;
    }
    if (slot && scaler_.scale(frame, slot->targetSize(), quality().scaleFlags, scratch_))
        slot->publish(scratch_);
}

bool PictureOutput::savePicture(const std::string& fileName) const {
    FramePtr picture = MakeFrame();
    {
        std::lock_guard lock(snapshotMutex_);
        if (!lastPicture_ || !picture || av_frame_ref(picture.get(), lastPicture_.get()) < 0) return false;
    }
    const QImage image = FrameToImage(*picture);
    return !image.isNull() && image.save(QString::fromStdString(fileName), "BMP");
}

QSize PictureOutput::pictureSize() const {
    std::lock_guard lock(snapshotMutex_);
    return lastPicture_ ? QSize(lastPicture_->width, lastPicture_->height) : QSize();
}

}  // namespace strovik
