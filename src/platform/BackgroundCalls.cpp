#include "platform/BackgroundCalls.h"

#include <QCoreApplication>
#include <QEvent>

namespace strovik {

namespace {

int WakeEventType() {
    static const int type = QEvent::registerEventType();
    return type;
}

}  // namespace

class BackgroundCalls::Drain final : public QObject {
public:
    explicit Drain(BackgroundCalls& calls) : calls_(calls) {}

protected:
    bool event(QEvent* event) override {
        if (event->type() != WakeEventType()) return QObject::event(event);
        calls_.deliverHandedOver();
        return true;
    }

private:
    BackgroundCalls& calls_;
};

BackgroundCalls::BackgroundCalls(int maxThreads)
    : maxThreads_(maxThreads > 0 ? maxThreads : 1), drain_(std::make_unique<Drain>(*this)) {}

BackgroundCalls::~BackgroundCalls() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;  // tasks already queued still run: their callers wait for them
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
    drain_.reset();  // a wake-up still posted goes with it
    std::vector<std::shared_ptr<Pending>> left;
    {
        std::lock_guard lock(handOverMutex_);
        left.swap(handedOver_);
    }
    left.clear();  // never delivered: their results are orphaned
}

void BackgroundCalls::start(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    // A waiting thread still counts as waiting until it has taken a task, so more tasks than
    // waiting threads means that this one would otherwise wait for a running call.
    if (tasks_.size() > static_cast<std::size_t>(waitingThreads_) && static_cast<int>(threads_.size()) < maxThreads_)
        threads_.emplace_back([this] { serve(); });
    wake_.notify_one();
}

void BackgroundCalls::serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++waitingThreads_;
        wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
        --waitingThreads_;
        if (tasks_.empty()) return;  // stopping, nothing left
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        ++running_;
        lock.unlock();
        task();
        task = nullptr;
        lock.lock();
        --running_;
        if (running_ == 0 && tasks_.empty()) idle_.notify_all();
    }
}

void BackgroundCalls::handOver(std::shared_ptr<Pending> pending) {
    std::lock_guard lock(handOverMutex_);
    handedOver_.push_back(std::move(pending));
    if (wakePosted_) return;
    wakePosted_ = true;
    QCoreApplication::postEvent(drain_.get(), new QEvent(static_cast<QEvent::Type>(WakeEventType())));
}

void BackgroundCalls::deliverHandedOver() {
    std::vector<std::shared_ptr<Pending>> ready;
    {
        std::lock_guard lock(handOverMutex_);
        ready.swap(handedOver_);
        wakePosted_ = false;
    }
    for (const std::shared_ptr<Pending>& pending : ready) pending->deliver();
}

void BackgroundCalls::waitForDone() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return running_ == 0 && tasks_.empty(); });
}

}  // namespace strovik
