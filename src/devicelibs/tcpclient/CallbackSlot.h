#pragma once

#include "devicelibs/TcpClientLibrary.h"

#include <memory>
#include <mutex>

namespace strovik {

// One registered receive callback, shared by the library and its threads. Replacing it while a
// thread is calling the old one is safe: the caller keeps its own reference for the call.
class CallbackSlot final {
public:
    void set(TcpReceiveCallback callback) {
        auto replacement =
            callback ? std::make_shared<const TcpReceiveCallback>(std::move(callback)) : nullptr;
        std::lock_guard lock(mutex_);
        callback_ = std::move(replacement);
    }

    // Calls the callback registered now, without holding any lock of the library.
    void invoke(std::int32_t handle, const void* data, std::size_t length) const {
        std::shared_ptr<const TcpReceiveCallback> callback;
        {
            std::lock_guard lock(mutex_);
            callback = callback_;
        }
        if (callback)
            (*callback)(handle, static_cast<const std::uint8_t*>(data), static_cast<std::int32_t>(length));
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const TcpReceiveCallback> callback_;
};

}  // namespace strovik
