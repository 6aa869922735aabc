#include "devicelibs/tcpclient/SocketWorker.h"

namespace strovik {

SocketWorker::SocketWorker(std::int32_t handle, TcpSocket socket)
    : socket_(std::move(socket)), handle_(handle) {}

SocketWorker::~SocketWorker() {
    // Only reached with a joinable thread when the last reference was the thread's own, that is
    // on the worker thread itself after its owner let go.
    if (thread_.joinable()) thread_.detach();
}

void SocketWorker::start() {
    // The thread begins only once thread_ is assigned, so that stop() and join() on the worker's
    // own thread can recognise it.
    std::lock_guard lock(mutex_);
    thread_ = std::thread([self = shared_from_this()] {
        { std::lock_guard started(self->mutex_); }
        self->run();
        self->endConnection();
        self->finished_ = true;
    });
}

void SocketWorker::stop() {
    std::unique_lock lock(mutex_);
    stopRequested_ = true;
    socket_.shutdown();
    if (std::this_thread::get_id() == thread_.get_id())
        return;  // from inside a callback: nothing is being written
    writeDone_.wait(lock, [this] { return !writing_; });
}

void SocketWorker::join() {
    if (!thread_.joinable()) return;
    if (std::this_thread::get_id() == thread_.get_id())
        thread_.detach();
    else
        thread_.join();
}

bool SocketWorker::mayContinue() {
    std::lock_guard lock(mutex_);
    return !stopRequested_;
}

bool SocketWorker::beginWrite() {
    std::lock_guard lock(mutex_);
    if (stopRequested_) return false;
    writing_ = true;
    return true;
}

void SocketWorker::endWrite() {
    {
        std::lock_guard lock(mutex_);
        writing_ = false;
    }
    writeDone_.notify_all();
}

void SocketWorker::endConnection() {
    std::lock_guard lock(mutex_);
    socket_.shutdown();
}

}  // namespace strovik
