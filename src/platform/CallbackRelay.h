#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <mutex>
#include <vector>

namespace strovik {

// Carries work from a library thread to a receiver's thread. Library callbacks keep the relay
// through a shared_ptr, so it outlives the receiver: the receiver detaches it before it goes (or
// simply goes), and from then on posts are dropped. Work still queued then is dropped unrun.
//
// The work crosses through the relay's own std::mutex-guarded queue, and the event that wakes the
// receiver's thread carries no data, so that ThreadSanitizer sees the hand-over, which it cannot
// inside Qt's queued calls.
class CallbackRelay final {
public:
    // On the receiver's thread.
    explicit CallbackRelay(QObject* receiver);
    ~CallbackRelay();
    CallbackRelay(const CallbackRelay&) = delete;
    CallbackRelay& operator=(const CallbackRelay&) = delete;

    // Any thread. work runs later on the receiver's thread, in the order of posting.
    void post(std::function<void()> work);
    // The receiver's thread; waits for a post in progress on another thread.
    void detach();

private:
    // A child of the receiver: it goes with it, on its thread, and is woken to run the queue.
    class Wake;
    void runQueued();  // the receiver's thread

    std::mutex mutex_;
    QPointer<QObject> wake_;
    std::vector<std::function<void()>> queued_;
    bool wakePosted_ = false;
};

}  // namespace strovik
