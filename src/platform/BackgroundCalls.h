#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace strovik {

// Runs blocking library calls (a verification, a stream start) off the GUI thread and hands each
// result back to a receiver on the receiver's thread, in a queued call. The calls are bounded by
// the libraries' own timeouts; the destructor waits for the ones still running, so the libraries
// they use must outlive this object. A result that never reaches its receiver (the receiver went
// first) is given to `orphaned`, so that the caller can release what the call acquired, such as
// a stream that nobody will show.
class BackgroundCalls final {
public:
    // Calls block on the network, not on the CPU: many may wait at once.
    explicit BackgroundCalls(int maxConcurrent = 64) { pool_.setMaxThreadCount(maxConcurrent); }
    ~BackgroundCalls() { pool_.waitForDone(); }
    BackgroundCalls(const BackgroundCalls&) = delete;
    BackgroundCalls& operator=(const BackgroundCalls&) = delete;

    template <typename Result>
    void run(QObject* receiver, std::function<Result()> work, std::function<void(Result)> done,
             std::function<void(Result)> orphaned = {}) {
        pool_.start([receiver = QPointer<QObject>(receiver), work = std::move(work), done = std::move(done),
                     orphaned = std::move(orphaned)]() mutable {
            auto delivery = std::make_shared<Delivery<Result>>(work(), std::move(orphaned));
            if (!receiver) return;  // the delivery's destructor releases the result
            QMetaObject::invokeMethod(
                receiver.data(), [delivery, done = std::move(done)] { done(delivery->take()); },
                Qt::QueuedConnection);
        });
    }

    // Waits for every call started so far (tests and shutdown).
    void waitForDone() { pool_.waitForDone(); }

private:
    // Holds a result until the receiver takes it; a result still held when the last copy goes
    // (the queued call was destroyed unrun) is orphaned.
    template <typename Result>
    struct Delivery {
        Delivery(Result value, std::function<void(Result)> release)
            : result(std::move(value)), orphaned(std::move(release)) {}
        ~Delivery() {
            if (result && orphaned) orphaned(std::move(*result));
        }
        Result take() {
            Result value = std::move(*result);
            result.reset();
            return value;
        }
        std::optional<Result> result;
        std::function<void(Result)> orphaned;
    };

    QThreadPool pool_;
};

}  // namespace strovik
