#include "devicelibs/doubles/RecordingTcpClientLibrary.h"

#include <algorithm>

namespace strovik {

std::int32_t RecordingTcpClientLibrary::takeOr(std::deque<std::int32_t>& queue, std::int32_t fallback) {
    if (queue.empty()) return fallback;
    const std::int32_t value = queue.front();
    queue.pop_front();
    return value;
}

void RecordingTcpClientLibrary::queueVerifyAnswer(std::int32_t answer) {
    std::lock_guard lock(mutex_);
    verifyAnswers_.push_back(answer);
}

void RecordingTcpClientLibrary::setDefaultVerifyAnswer(std::int32_t answer) {
    std::lock_guard lock(mutex_);
    defaultVerifyAnswer_ = answer;
}

void RecordingTcpClientLibrary::queueConnectAnswer(std::int32_t handle) {
    std::lock_guard lock(mutex_);
    connectAnswers_.push_back(handle);
}

void RecordingTcpClientLibrary::queueRemoteFileAnswer(std::int32_t handle) {
    std::lock_guard lock(mutex_);
    remoteFileAnswers_.push_back(handle);
}

void RecordingTcpClientLibrary::setSendResult(std::int32_t bytesReported) {
    std::lock_guard lock(mutex_);
    sendResult_ = bytesReported;
}

void RecordingTcpClientLibrary::setStopRemoteFileResult(std::int32_t result) {
    std::lock_guard lock(mutex_);
    stopRemoteFileResult_ = result;
}

std::vector<VerifyUserRequest> RecordingTcpClientLibrary::verifyRequests() const {
    std::lock_guard lock(mutex_);
    return verifyRequests_;
}

std::vector<TcpServerAddress> RecordingTcpClientLibrary::connectRequests() const {
    std::lock_guard lock(mutex_);
    return connectRequests_;
}

std::vector<RecordingTcpClientLibrary::Send> RecordingTcpClientLibrary::sends() const {
    std::lock_guard lock(mutex_);
    return sends_;
}

std::vector<std::int32_t> RecordingTcpClientLibrary::disconnects() const {
    std::lock_guard lock(mutex_);
    return disconnects_;
}

std::vector<RemoteFileRequest> RecordingTcpClientLibrary::remoteFileRequests() const {
    std::lock_guard lock(mutex_);
    return remoteFileRequests_;
}

std::vector<std::int32_t> RecordingTcpClientLibrary::stoppedTransfers() const {
    std::lock_guard lock(mutex_);
    return stoppedTransfers_;
}

void RecordingTcpClientLibrary::deliverReceive(std::int32_t handle, const std::vector<std::uint8_t>& message) const {
    TcpReceiveCallback callback;
    {
        std::lock_guard lock(mutex_);
        callback = receive_;
    }
    if (callback) callback(handle, message.data(), static_cast<std::int32_t>(message.size()));
}

void RecordingTcpClientLibrary::deliverCustomReceive(std::int32_t handle,
                                                     const std::vector<std::uint8_t>& message) const {
    TcpReceiveCallback callback;
    {
        std::lock_guard lock(mutex_);
        callback = customReceive_;
    }
    // Called without the lock held, so that the handler may call back into the library.
    if (callback) callback(handle, message.data(), static_cast<std::int32_t>(message.size()));
}

bool RecordingTcpClientLibrary::hasReceiveCallback() const {
    std::lock_guard lock(mutex_);
    return static_cast<bool>(receive_);
}

bool RecordingTcpClientLibrary::hasCustomReceiveCallback() const {
    std::lock_guard lock(mutex_);
    return static_cast<bool>(customReceive_);
}

void RecordingTcpClientLibrary::NV_SetTCPClientReciveCallback(TcpReceiveCallback callback) {
    std::lock_guard lock(mutex_);
    receive_ = std::move(callback);
}

void RecordingTcpClientLibrary::NV_SetTCPClientCustomReciveCallback(TcpReceiveCallback callback) {
    std::lock_guard lock(mutex_);
    customReceive_ = std::move(callback);
}

std::int32_t RecordingTcpClientLibrary::NV_VerifyUser(const VerifyUserRequest& request) {
    std::lock_guard lock(mutex_);
    verifyRequests_.push_back(request);
    return takeOr(verifyAnswers_, defaultVerifyAnswer_);
}

std::int32_t RecordingTcpClientLibrary::NV_ConnectTCPServer(const TcpServerAddress& server) {
    std::lock_guard lock(mutex_);
    connectRequests_.push_back(server);
    return takeOr(connectAnswers_, nextHandle_++);
}

std::int32_t RecordingTcpClientLibrary::NV_ClientSendBuf(std::int32_t handle, const std::uint8_t* buffer,
                                                         std::int32_t length, std::int32_t flags) {
    std::lock_guard lock(mutex_);
    sends_.push_back(Send{handle, std::vector<std::uint8_t>(buffer, buffer + std::max(length, 0)), flags});
    return sendResult_ < 0 ? length : sendResult_;
}

void RecordingTcpClientLibrary::NV_DisConnectTCPServer(std::int32_t handle) {
    std::lock_guard lock(mutex_);
    disconnects_.push_back(handle);
}

std::int32_t RecordingTcpClientLibrary::NV_GetRemoteFile(const RemoteFileRequest& request) {
    std::lock_guard lock(mutex_);
    remoteFileRequests_.push_back(request);
    return takeOr(remoteFileAnswers_, nextHandle_++);
}

std::int32_t RecordingTcpClientLibrary::NV_StopGetRemoteFile(std::int32_t transferHandle) {
    std::lock_guard lock(mutex_);
    stoppedTransfers_.push_back(transferHandle);
    return stopRemoteFileResult_;
}

}  // namespace strovik
