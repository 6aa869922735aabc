#include "recordings/TransferRouter.h"

#include <QMetaObject>
#include <QObject>

namespace strovik {

TransferRouter::TransferRouter(TcpClientLibrary& library, std::mutex& transferLock)
    : library_(library), transferLock_(transferLock) {
    library_.NV_SetTCPClientReciveCallback([this](std::int32_t handle, const std::uint8_t* data,
                                                  std::int32_t length) { Receive(handle, data, length); });
}

TransferRouter::~TransferRouter() {
    library_.NV_SetTCPClientReciveCallback({});
}

std::int32_t TransferRouter::StartTransfer(const RemoteFileRequest& request, QObject* receiver,
                                           Handler handler) {
    std::lock_guard lock(transferLock_);
    const std::int32_t handle = library_.NV_GetRemoteFile(request);
    if (handle >= 1) routes_[handle] = Route{receiver, std::move(handler)};
    return handle;
}

void TransferRouter::Unroute(std::int32_t handle) {
    std::lock_guard lock(transferLock_);
    routes_.erase(handle);
}

void TransferRouter::Receive(std::int32_t handle, const std::uint8_t* data, std::int32_t length) {
    // Only whole 520-byte messages are notifications; anything else is dropped here.
    const std::optional<TransferNotification> notification =
        ParseTransferNotification(data, static_cast<std::size_t>(std::max(length, 0)));
    if (!notification) return;
    std::lock_guard lock(transferLock_);
    const auto found = routes_.find(handle);
    if (found == routes_.end()) return;
    // The receiver lives while the lock is held: it unroutes under the lock before it goes.
    QMetaObject::invokeMethod(
        found->second.receiver,
        [handler = found->second.handler, message = *notification] { handler(message); },
        Qt::QueuedConnection);
}

}  // namespace strovik
