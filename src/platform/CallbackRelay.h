#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

namespace strovik {

// Carries work from a library thread to a receiver's thread. Library callbacks keep the relay
// through a shared_ptr, so it outlives the receiver: the receiver detaches it before it goes, and
// from then on posts are dropped. Work already queued dies with the receiver unrun.
class CallbackRelay final {
public:
    explicit CallbackRelay(QObject* receiver) : receiver_(receiver) {}

    // Any thread. work runs later on the receiver's thread, in the order of posting.
    void post(std::function<void()> work) {
        std::lock_guard lock(mutex_);
        if (receiver_) QMetaObject::invokeMethod(receiver_, std::move(work), Qt::QueuedConnection);
    }

    // The receiver's thread; waits for a post in progress on another thread.
    void detach() {
        std::lock_guard lock(mutex_);
        receiver_ = nullptr;
    }

private:
    std::mutex mutex_;
    QObject* receiver_;
};

}  // namespace strovik
