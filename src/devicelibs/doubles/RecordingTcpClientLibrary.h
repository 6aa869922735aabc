#pragma once

#include "devicelibs/TcpClientLibrary.h"

#include <deque>
#include <mutex>
#include <vector>

namespace strovik {

// Test double of the device TCP client library: records every call and answers from a script.
// Tests deliver device messages with deliverReceive / deliverCustomReceive, which call the
// registered callbacks on the calling thread (or on a thread of the test's choosing). Thread-safe.
class RecordingTcpClientLibrary final : public TcpClientLibrary {
public:
    struct Send {
        std::int32_t handle;
        std::vector<std::uint8_t> bytes;
        std::int32_t flags;
    };

    // --- script (answers are taken front first; when a queue is empty the default applies) ---
    void queueVerifyAnswer(std::int32_t answer);
    void setDefaultVerifyAnswer(std::int32_t answer);
    void queueConnectAnswer(std::int32_t handle);  // 0 = connection failure
    void queueRemoteFileAnswer(std::int32_t handle);  // 0 = transfer failure
    // Sends report this many bytes sent; -1 (default) reports the full length.
    void setSendResult(std::int32_t bytesReported);
    void setStopRemoteFileResult(std::int32_t result);

    // --- what the program asked ---
    std::vector<VerifyUserRequest> verifyRequests() const;
    std::vector<TcpServerAddress> connectRequests() const;
    std::vector<Send> sends() const;
    std::vector<std::int32_t> disconnects() const;
    std::vector<RemoteFileRequest> remoteFileRequests() const;
    std::vector<std::int32_t> stoppedTransfers() const;

    // --- the device side ---
    void deliverReceive(std::int32_t handle, const std::vector<std::uint8_t>& message) const;
    void deliverCustomReceive(std::int32_t handle, const std::vector<std::uint8_t>& message) const;
    bool hasReceiveCallback() const;
    bool hasCustomReceiveCallback() const;

    // --- TcpClientLibrary ---
    void NV_SetTCPClientReciveCallback(TcpReceiveCallback callback) override;
    void NV_SetTCPClientCustomReciveCallback(TcpReceiveCallback callback) override;
    std::int32_t NV_VerifyUser(const VerifyUserRequest& request) override;
    std::int32_t NV_ConnectTCPServer(const TcpServerAddress& server) override;
    std::int32_t NV_ClientSendBuf(std::int32_t handle, const std::uint8_t* buffer, std::int32_t length,
                                  std::int32_t flags) override;
    void NV_DisConnectTCPServer(std::int32_t handle) override;
    std::int32_t NV_GetRemoteFile(const RemoteFileRequest& request) override;
    std::int32_t NV_StopGetRemoteFile(std::int32_t transferHandle) override;

private:
    static std::int32_t takeOr(std::deque<std::int32_t>& queue, std::int32_t fallback);

    mutable std::mutex mutex_;
    TcpReceiveCallback receive_;
    TcpReceiveCallback customReceive_;
    std::deque<std::int32_t> verifyAnswers_;
    std::int32_t defaultVerifyAnswer_ = -1;
    std::deque<std::int32_t> connectAnswers_;
    std::deque<std::int32_t> remoteFileAnswers_;
    std::int32_t nextHandle_ = 1;
    std::int32_t sendResult_ = -1;
    std::int32_t stopRemoteFileResult_ = 1;
    std::vector<VerifyUserRequest> verifyRequests_;
    std::vector<TcpServerAddress> connectRequests_;
    std::vector<Send> sends_;
    std::vector<std::int32_t> disconnects_;
    std::vector<RemoteFileRequest> remoteFileRequests_;
    std::vector<std::int32_t> stoppedTransfers_;
};

}  // namespace strovik
