#pragma once

#include "devicelibs/tcpclient/CallbackSlot.h"
#include "devicelibs/tcpclient/SocketWorker.h"
#include "devicelibs/tcpclient/TcpClientFactory.h"

#include <memory>
#include <mutex>

namespace strovik {

// An open command or PTZ session. Its thread hands every message the device sends to the custom
// receive callback, with the connection's handle, until the device closes the connection, breaks
// the framing (a length beyond the maximum, a message stalled half-way) or the owner stops it.
// A connection that ended that way stays a handle whose sends fail until it is disconnected.
class CommandConnection final : public SocketWorker {
public:
    CommandConnection(std::int32_t handle, TcpSocket socket, std::shared_ptr<const CallbackSlot> receiver,
                      const TcpClientOptions& options);

    // Any thread, also concurrently: each buffer goes out as one message. Returns length, or -1
    // when the connection is gone or the device does not take the bytes within the send timeout.
    std::int32_t send(const std::uint8_t* buffer, std::int32_t length);

private:
    void run() override;

    const std::shared_ptr<const CallbackSlot> receiver_;
    const TcpClientOptions options_;
    std::mutex sendMutex_;
};

}  // namespace strovik
