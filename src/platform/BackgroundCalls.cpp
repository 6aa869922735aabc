#include "platform/BackgroundCalls.h"

namespace strovik {

BackgroundCalls::BackgroundCalls(int maxThreads)
    : maxThreads_(maxThreads > 0 ? maxThreads : 1), relay_(std::make_shared<CallbackRelay>(&gui_)) {}

BackgroundCalls::~BackgroundCalls() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;  // tasks already queued still run: their callers wait for them
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
    relay_->detach();  // results never delivered are dropped with it, and so orphaned
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
    relay_->post([pending = std::move(pending)] { pending->deliver(); });
}

void BackgroundCalls::waitForDone() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return running_ == 0 && tasks_.empty(); });
}

}  // namespace strovik
