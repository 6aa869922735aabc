#include "platform/CallbackRelay.h"

#include <QCoreApplication>
#include <QEvent>

#include <atomic>

namespace strovik {

namespace {

int WakeEventType() {
    static const int type = QEvent::registerEventType();
    return type;
}

}  // namespace

class CallbackRelay::Wake final : public QObject {
public:
    Wake(CallbackRelay& relay, QObject* receiver) : QObject(receiver), relay_(&relay) {}
    // A relay that goes while its receiver lives (it was never detached) leaves the Wake behind.
    void forgetRelay() { relay_ = nullptr; }

protected:
    bool event(QEvent* event) override {
        if (event->type() != WakeEventType()) return QObject::event(event);
        if (CallbackRelay* relay = relay_) relay->runQueued();
        return true;
    }

private:
    std::atomic<CallbackRelay*> relay_;
};

CallbackRelay::CallbackRelay(QObject* receiver) : wake_(receiver ? new Wake(*this, receiver) : nullptr) {}

CallbackRelay::~CallbackRelay() {
    std::lock_guard lock(mutex_);
    if (wake_) static_cast<Wake*>(wake_.data())->forgetRelay();
    queued_.clear();
}

void CallbackRelay::post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    if (!wake_) return;
    queued_.push_back(std::move(work));
    if (wakePosted_) return;
    wakePosted_ = true;
    QCoreApplication::postEvent(wake_.data(), new QEvent(static_cast<QEvent::Type>(WakeEventType())));
}

void CallbackRelay::detach() {
    QObject* wake = nullptr;
    std::vector<std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex_);
        wake = wake_.data();
        wake_ = nullptr;
        dropped.swap(queued_);
    }
    delete wake;  // with its pending wake-up
}

void CallbackRelay::runQueued() {
    std::vector<std::function<void()>> work;
    {
        std::lock_guard lock(mutex_);
        work.swap(queued_);
        wakePosted_ = false;
    }
    for (std::function<void()>& item : work) {
        item();
        item = nullptr;  // what it captured goes here, on the receiver's thread
    }
}

}  // namespace strovik
