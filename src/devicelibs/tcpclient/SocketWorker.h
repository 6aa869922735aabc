#pragma once

#include "platform/TcpSocket.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace strovik {

// A library thread that serves one device connection and hands what arrives to a callback.
//
// stop() is safe from any thread, also from inside the worker's own callback. It never waits for a
// callback in progress, because its caller may hold a lock that the callback is waiting for; it
// waits only for a local file write in progress. Once stop() has returned, the worker starts no
// further callback and no further write, and its socket is shut down.
//
// The thread holds a reference to its worker, so a worker outlives every use its thread makes of
// it. The owner joins it (join() detaches instead when called on the worker's own thread).
class SocketWorker : public std::enable_shared_from_this<SocketWorker> {
public:
    SocketWorker(std::int32_t handle, TcpSocket socket);
    virtual ~SocketWorker();
    SocketWorker(const SocketWorker&) = delete;
    SocketWorker& operator=(const SocketWorker&) = delete;

    std::int32_t handle() const { return handle_; }

    // Throws std::system_error when no thread can be created.
    void start();
    void stop();
    bool finished() const { return finished_.load(); }
    void join();

protected:
    // The thread's work.
    virtual void run() = 0;

    // Worker side. Checking and beginning are one step as far as stop() is concerned.
    bool mayContinue();
    bool beginWrite();
    void endWrite();
    // Shuts the socket down (the device sees the end of the connection); the descriptor is closed
    // when the worker is destroyed, so that no other thread can meet a reused descriptor.
    void endConnection();

    TcpSocket socket_;

private:
    const std::int32_t handle_;
    std::mutex mutex_;
    std::condition_variable writeDone_;
    bool stopRequested_ = false;
    bool writing_ = false;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace strovik
