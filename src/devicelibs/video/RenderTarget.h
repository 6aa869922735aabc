#pragma once

#include <QImage>
#include <QSize>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class QObject;

namespace strovik {

// The meeting point of one render target (GUI thread) and the stream that draws into it (a worker
// thread). The worker scales each picture to targetSize() and hands it over with publish(); the
// slot keeps only the newest picture, so a GUI that falls behind drops stale pictures instead of
// queueing them. At most one PictureReady event is outstanding per slot: the target repaints from
// latestPicture() on a coalesced update.
//
// The slot is shared (std::shared_ptr) by the target and every stream that draws into it, so a
// target that goes away while a picture is in flight only detaches; the worker keeps writing into
// a slot that nobody shows until it is moved elsewhere or stopped.
class PictureSlot final {
public:
    // The QEvent type posted to the attached receiver when a new picture (or none) is ready.
    static int pictureReadyEventType();

    // --- GUI thread ---
    // The receiver gets the PictureReady events; detach() before it is destroyed.
    void attach(QObject* receiver);
    void detach();
    void setTargetSize(QSize size);
    // The newest picture (null when the stream stopped or moved away), and re-arms the event.
    QImage latestPicture();

    // --- any thread ---
    QSize targetSize() const;
    // Swaps picture into the slot. picture receives the previous one, which the worker may reuse
    // for the next frame when picture.isDetached() (no painter holds a copy).
    void publish(QImage& picture);
    // Drops the picture: the target shows black again.
    void clear();
    // Pictures published so far (for benchmarks and tests: compare with the pictures painted).
    std::uint64_t picturesPublished() const { return published_; }

private:
    // Posts the PictureReady event to the receiver, if one is attached.
    void post();

    // receiverMutex_ guards receiver_, mutex_ the rest; they are never held together.
    std::mutex receiverMutex_;
    QObject* receiver_ = nullptr;
    mutable std::mutex mutex_;
    bool eventPending_ = false;
    QSize targetSize_;
    QImage picture_;
    std::atomic<std::uint64_t> published_{0};
};

// What a video window, a floating window or a full-screen grid window implements to receive
// pictures: the "window handle" of the video client and stream player calls. The libraries take
// the slot on the calling (GUI) thread when a stream starts or moves and never touch the target
// itself from a worker.
class RenderTarget {
public:
    virtual ~RenderTarget() = default;
    virtual std::shared_ptr<PictureSlot> pictureSlot() const = 0;
};

}  // namespace strovik
