#pragma once

#include "devicelibs/TcpClientLibrary.h"
#include "devicelibs/wire/TransferNotification.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

class QObject;

namespace strovik {

// Hands the device TCP client library's transfer notifications to whoever started the transfer:
// a video window playing a record or the download dialog. The library calls back on its own
// thread; the router copies the message, finds the receiver by transfer handle under the transfer
// lock and queues the handler on the receiver's thread, in the order the library reported.
//
// A transfer is started and its route registered under the same lock, so a notification that the
// library's thread reports at once still finds its receiver. Never call NV_StopGetRemoteFile
// while holding the lock: the library may wait for a thread that waits for the lock.
class TransferRouter final {
public:
    using Handler = std::function<void(const TransferNotification& notification)>;

    // Registers the receive callback; the destructor clears it. Both must outlive the router.
    TransferRouter(TcpClientLibrary& library, std::mutex& transferLock);
    ~TransferRouter();
    TransferRouter(const TransferRouter&) = delete;
    TransferRouter& operator=(const TransferRouter&) = delete;

    // GUI thread. Starts a transfer; on success (handle >= 1) its notifications go to handler on
    // receiver's thread until Unroute, which the receiver must call before it is destroyed.
    std::int32_t StartTransfer(const RemoteFileRequest& request, QObject* receiver, Handler handler);
    void Unroute(std::int32_t handle);

    TcpClientLibrary& library() { return library_; }

private:
    struct Route {
        QObject* receiver = nullptr;  // unroutes itself before it goes
        Handler handler;
    };
    void Receive(std::int32_t handle, const std::uint8_t* data, std::int32_t length);

    TcpClientLibrary& library_;
    std::mutex& transferLock_;
    std::map<std::int32_t, Route> routes_;  // guarded by transferLock_
};

}  // namespace strovik
