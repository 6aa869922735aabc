#pragma once

#include "platform/CallbackRelay.h"

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
// result back to its receiver on the thread that made this object (the GUI thread; receivers live
// there), in a later turn of its event loop. The calls are bounded by the libraries' own timeouts;
// the destructor waits for the ones still running, so the libraries they use must outlive this
// object. A result whose receiver is gone by then is given to `orphaned`, so that the caller can
// release what the call acquired, such as a stream that nobody will show; it runs on the GUI
// thread, or on the worker when this object goes before the result could be handed over.
//
// The threads are our own and results go back through a CallbackRelay: ThreadSanitizer sees every
// hand-over, which it cannot inside Qt's uninstrumented thread pool and queued calls.
class BackgroundCalls final {
public:
    // Calls block on the network, not on the CPU: many may wait at once.
    explicit BackgroundCalls(int maxThreads = 64);
    ~BackgroundCalls();
    BackgroundCalls(const BackgroundCalls&) = delete;
    BackgroundCalls& operator=(const BackgroundCalls&) = delete;

    template <typename Result>
    void run(QObject* receiver, std::function<Result()> work, std::function<void(Result)> done,
             std::function<void(Result)> orphaned = {}) {
        auto delivery = std::make_shared<Delivery<Result>>(receiver, std::move(done), std::move(orphaned));
        start([this, work = std::move(work), delivery]() mutable {
            delivery->setResult(work());
            work = nullptr;
            handOver(std::move(delivery));
        });
    }

    // Waits for every call started so far (tests and shutdown). Results are handed over later.
    void waitForDone();

private:
    class Pending {
    public:
        virtual ~Pending() = default;
        // GUI thread: runs the receiver's continuation when the receiver still exists.
        virtual void deliver() = 0;
    };

    // A call's result, its receiver and the receiver's continuation, which is made and destroyed
    // on the GUI thread. A result still held when the last reference goes is orphaned.
    template <typename Result>
    class Delivery final : public Pending {
    public:
        Delivery(QObject* receiver, std::function<void(Result)> done, std::function<void(Result)> orphaned)
            : receiver_(receiver), done_(std::move(done)), orphaned_(std::move(orphaned)) {}
        ~Delivery() override {
            if (result_ && orphaned_) orphaned_(std::move(*result_));
        }
        void setResult(Result value) {
            std::lock_guard lock(mutex_);
            result_ = std::move(value);
        }
        void deliver() override {
            if (!receiver_) return;  // the destructor orphans the result
            std::optional<Result> result;
            {
                std::lock_guard lock(mutex_);
                result.swap(result_);
            }
            std::function<void(Result)> done = std::move(done_);
            if (result && done) done(std::move(*result));
        }

    private:
        QPointer<QObject> receiver_;  // GUI thread only
        std::mutex mutex_;            // the result is made on a worker and taken on the GUI thread
        std::optional<Result> result_;
        std::function<void(Result)> done_;
        std::function<void(Result)> orphaned_;
    };

    void start(std::function<void()> task);
    void serve();
    void handOver(std::shared_ptr<Pending> pending);  // any thread

    const int maxThreads_;
    QObject gui_;  // the receiving end of relay_, on the thread that made this object
    std::shared_ptr<CallbackRelay> relay_;

    std::mutex mutex_;  // tasks, threads and their counts
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> tasks_;
    std::vector<std::thread> threads_;
    int waitingThreads_ = 0;
    int running_ = 0;
    bool stopping_ = false;
};

}  // namespace strovik
