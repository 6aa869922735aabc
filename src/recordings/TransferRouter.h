#pragma once

#include "devicelibs/TcpClientLibrary.h"
#include "devicelibs/wire/TransferNotification.h"

#include <QObject>

#include <memory>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace strovik {

class BackgroundCalls;
class CallbackRelay;

// Hands the device TCP client library's transfer notifications to whoever started the transfer:
// a video window playing a record or the download dialog. The library calls back on its own
// thread; the router copies the message, finds the receiver by transfer handle under the transfer
// lock and queues the handler on the receiver's thread, in the order the library reported.
//
// NV_GetRemoteFile connects to the device and may block for the library's connect timeout, so it
// runs on a background call. The library may report on the new transfer before the call returns
// its handle: while starts are under way, notifications of unknown transfers are held (in order,
// bounded) and handed to the transfer that claims their handle, after its receiver has learnt it.
// Never call NV_StopGetRemoteFile while holding the lock: the library may wait for a thread that
// waits for the lock.
class TransferRouter final {
public:
    using Handler = std::function<void(const TransferNotification& notification)>;
    // The transfer handle, or the library's failure (below 1).
    using Started = std::function<void(std::int32_t handle)>;
    using Ticket = std::uint64_t;

    // Registers the receive callback; the destructor clears it and waits for starts under way.
    // library, transferLock and calls must outlive the router.
    TransferRouter(TcpClientLibrary& library, std::mutex& transferLock, BackgroundCalls& calls);
    ~TransferRouter();
    TransferRouter(const TransferRouter&) = delete;
    TransferRouter& operator=(const TransferRouter&) = delete;

    // GUI thread. Starts a transfer; started runs on the GUI thread when the library answered, and
    // from then on (for a handle >= 1) the transfer's notifications go through receiver (the
    // receiver's relay to its thread) to handler until Unroute, which the receiver must call before
    // it is destroyed. A receiver that
    // goes before started ran must CancelStart its ticket: the transfer is then stopped unseen.
    Ticket StartTransfer(const RemoteFileRequest& request, std::shared_ptr<CallbackRelay> receiver, Handler handler,
                         Started started);
    void CancelStart(Ticket ticket);
    void Unroute(std::int32_t handle);

    TcpClientLibrary& library() { return library_; }

private:
    struct Route {
        std::shared_ptr<CallbackRelay> receiver;  // its receiver unroutes before it goes
        Handler handler;
    };
    struct Start {
        Route route;
        Started started;
        std::int32_t handle = 0;                // once the library answered
        std::deque<TransferNotification> held;  // reported before the receiver learnt the handle
    };
    void Receive(std::int32_t handle, const std::uint8_t* data, std::int32_t length);
    void Claim(Ticket ticket, std::int32_t handle);  // worker thread
    void Finish(Ticket ticket, std::int32_t handle);  // GUI thread
    void Post(const Route& route, const TransferNotification& notification);
    static void Hold(std::deque<TransferNotification>& held, const TransferNotification& notification);

    TcpClientLibrary& library_;
    std::mutex& transferLock_;
    BackgroundCalls& calls_;
    QObject context_;  // where the starts' answers arrive; lives on the GUI thread

    // guarded by transferLock_
    std::map<std::int32_t, Route> routes_;
    std::map<Ticket, Start> starts_;
    std::map<std::int32_t, Ticket> claimed_;  // handles of starts whose receiver has not learnt them
    std::map<std::int32_t, std::deque<TransferNotification>> unclaimed_;  // while starts are under way
    int startsUnderWay_ = 0;
    Ticket lastTicket_ = 0;
};

}  // namespace strovik
