#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace strovik {

// Runs blocking library calls (a verification, a stream start) off the GUI thread and hands each
// result back to a receiver on the receiver's thread, in a queued call. The calls are bounded by
// the libraries' own timeouts; the destructor waits for the ones still running, so the libraries
// they use must outlive this object. A result that never reaches its receiver (the receiver went
// first) is given to `orphaned`, so that the caller can release what the call acquired, such as
// a stream that nobody will show; it runs where the last reference goes: on the receiver's thread
// when the receiver is destroyed with the result queued, on the worker when the receiver was gone
// before the call returned.
//
// The threads are our own (std::thread, std::mutex): the hand-over then stays visible to
// ThreadSanitizer, which cannot see the futex-based locks inside Qt's thread pool.
class BackgroundCalls final {
public:
    // Calls block on the network, not on the CPU: many may wait at once.
    explicit BackgroundCalls(int maxThreads = 64) : maxThreads_(maxThreads > 0 ? maxThreads : 1) {}
    ~BackgroundCalls();
    BackgroundCalls(const BackgroundCalls&) = delete;
    BackgroundCalls& operator=(const BackgroundCalls&) = delete;

    template <typename Result>
    void run(QObject* receiver, std::function<Result()> work, std::function<void(Result)> done,
             std::function<void(Result)> orphaned = {}) {
        auto delivery = std::make_shared<Delivery<Result>>(std::move(done), std::move(orphaned));
        start([receiver = QPointer<QObject>(receiver), work = std::move(work), delivery]() mutable {
            delivery->setResult(work());
            work = nullptr;
            // The queued call holds the delivery only; what done captured stays in it and goes
            // on the receiver's thread.
            if (receiver)
                QMetaObject::invokeMethod(receiver.data(), [delivery] { delivery->deliver(); }, Qt::QueuedConnection);
        });
    }

    // Waits for every call started so far (tests and shutdown).
    void waitForDone();

private:
    // Holds a call's result and the receiver's continuation. deliver() runs the continuation on
    // the receiver's thread; a result never delivered (the receiver went, the queued call was
    // destroyed unrun) is handed to `orphaned` when the last copy goes.
    template <typename Result>
    class Delivery {
    public:
        Delivery(std::function<void(Result)> done, std::function<void(Result)> orphaned)
            : done_(std::move(done)), orphaned_(std::move(orphaned)) {}
        ~Delivery() {
            if (result_ && orphaned_) orphaned_(std::move(*result_));
        }
        void setResult(Result value) {
            std::lock_guard lock(mutex_);
            result_ = std::move(value);
        }
        void deliver() {
            std::optional<Result> result;
            std::function<void(Result)> done;
            {
                std::lock_guard lock(mutex_);
                result.swap(result_);
                done.swap(done_);
            }
            if (result && done) done(std::move(*result));
        }

    private:
        std::mutex mutex_;  // the result is made on a worker and taken on the receiver's thread
        std::optional<Result> result_;
        std::function<void(Result)> done_;
        std::function<void(Result)> orphaned_;
    };

    void start(std::function<void()> task);
    void serve();

    const int maxThreads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> tasks_;
    std::vector<std::thread> threads_;
    int waitingThreads_ = 0;
    int running_ = 0;
    bool stopping_ = false;
};

}  // namespace strovik
