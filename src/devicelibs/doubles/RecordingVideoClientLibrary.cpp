#include "devicelibs/doubles/RecordingVideoClientLibrary.h"

#include <QCoreApplication>

namespace strovik {

namespace {

RecordingVideoClientLibrary::Call MakeCall(std::string name, std::int32_t handle = 0, std::int32_t value = 0,
                                           std::uint16_t linkType = 0, std::string fileName = {},
                                           RenderTarget* window = nullptr) {
    RecordingVideoClientLibrary::Call call;
    call.name = std::move(name);
    call.handle = handle;
    call.value = value;
    call.linkType = linkType;
    call.fileName = std::move(fileName);
    call.window = window;
    return call;
}

}  // namespace

void RecordingVideoClientLibrary::queueStartAnswer(std::int32_t result) {
    std::lock_guard lock(mutex_);
    startAnswers_.push_back(result);
}

void RecordingVideoClientLibrary::setResult(const std::string& callName, std::int32_t result) {
    std::lock_guard lock(mutex_);
    results_[callName] = result;
}

std::vector<RecordingVideoClientLibrary::Start> RecordingVideoClientLibrary::starts() const {
    std::lock_guard lock(mutex_);
    return starts_;
}

std::vector<RecordingVideoClientLibrary::Call> RecordingVideoClientLibrary::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<RecordingVideoClientLibrary::Call> RecordingVideoClientLibrary::callsNamed(
    const std::string& callName) const {
    std::vector<Call> named;
    for (const Call& call : calls())
        if (call.name == callName) named.push_back(call);
    return named;
}

int RecordingVideoClientLibrary::initCount() const {
    std::lock_guard lock(mutex_);
    return initCount_;
}

void RecordingVideoClientLibrary::reportStreamLost(std::int32_t handle) const {
    report(kStreamLostEvent, handle);
}

void RecordingVideoClientLibrary::reportCaptureFailed(std::int32_t handle) const {
    report(kCaptureFailedEvent, handle);
}

void RecordingVideoClientLibrary::report(std::int32_t event, std::int32_t handle) const {
    std::lock_guard lock(mutex_);
    for (const auto& [window, message] : receivers_)
        QCoreApplication::postEvent(window, new VideoClientEvent(message, event, handle - kStreamHandleBias));
}

std::int32_t RecordingVideoClientLibrary::record(Call call) {
    std::lock_guard lock(mutex_);
    const auto result = results_.find(call.name);
    calls_.push_back(std::move(call));
    return result != results_.end() ? result->second : 1;
}

std::int32_t RecordingVideoClientLibrary::recordStart(Start start) {
    std::lock_guard lock(mutex_);
    if (!startAnswers_.empty()) {
        start.result = startAnswers_.front();
        startAnswers_.pop_front();
    } else {
        start.result = nextHandle_++;
    }
    starts_.push_back(start);
    return start.result;
}

std::int32_t RecordingVideoClientLibrary::X_ClientInit(std::uint32_t message, QObject* window) {
    {
        std::lock_guard lock(mutex_);
        ++initCount_;
        if (window != nullptr) receivers_.emplace_back(window, message);
    }
    // Forget windows that go, as the real library does; the connection ends with the double.
    if (window != nullptr)
        QObject::connect(window, &QObject::destroyed, context_.get(), [this, window] {
            std::lock_guard lock(mutex_);
            std::erase_if(receivers_, [&](const auto& receiver) { return receiver.first == window; });
        });
    return record(MakeCall("X_ClientInit", 0, static_cast<std::int32_t>(message), 0, {}, nullptr));
}

void RecordingVideoClientLibrary::X_ClientCleanup() {
    {
        std::lock_guard lock(mutex_);
        --initCount_;
    }
    record(MakeCall("X_ClientCleanup"));
}

std::int32_t RecordingVideoClientLibrary::X_ClientStart(const ClientStartInfo& info, std::int32_t loginHandle,
                                                        std::uint16_t linkType) {
    return recordStart({info, std::nullopt, loginHandle, linkType, 0});
}

std::int32_t RecordingVideoClientLibrary::X_ClientStartEx(const ClientStartInfo& info, const RelayInfo& relay,
                                                          std::uint16_t linkType) {
    return recordStart({info, relay, 0, linkType, 0});
}

std::int32_t RecordingVideoClientLibrary::X_ClientStop(std::int32_t handle, std::uint16_t linkType) {
    return record(MakeCall("X_ClientStop", handle, 0, linkType, {}, nullptr));
}

std::int32_t RecordingVideoClientLibrary::X_ClientAudioStart(std::int32_t handle, std::uint16_t linkType) {
    return record(MakeCall("X_ClientAudioStart", handle, 0, linkType, {}, nullptr));
}

std::int32_t RecordingVideoClientLibrary::X_ClientAudioStop(std::uint16_t linkType) {
    return record(MakeCall("X_ClientAudioStop", 0, 0, linkType, {}, nullptr));
}

std::int32_t RecordingVideoClientLibrary::X_ClientSetQuality(std::int32_t handle, std::int32_t level,
                                                             std::uint16_t linkType) {
    return record(MakeCall("X_ClientSetQuality", handle, level, linkType, {}, nullptr));
}

std::int32_t RecordingVideoClientLibrary::X_ClientThrowBFrame(std::int32_t handle, std::int32_t level,
                                                              std::uint16_t linkType) {
    return record(MakeCall("X_ClientThrowBFrame", handle, level, linkType, {}, nullptr));
}

std::int32_t RecordingVideoClientLibrary::X_ClientChangeRenderHandle(std::int32_t handle,
                                                                     RenderTarget* window,
                                                                     std::uint16_t linkType) {
    return record(MakeCall("X_ClientChangeRenderHandle", handle, 0, linkType, {}, window));
}

std::int32_t RecordingVideoClientLibrary::X_ClientCapPicFile(std::int32_t handle, const std::string& fileName,
                                                             std::uint16_t linkType) {
    return record(MakeCall("X_ClientCapPicFile", handle, 0, linkType, fileName, nullptr));
}

std::int32_t RecordingVideoClientLibrary::X_ClientStartCaptureFile(std::int32_t handle,
                                                                   const std::string& fileName,
                                                                   std::uint16_t linkType) {
    return record(MakeCall("X_ClientStartCaptureFile", handle, 0, linkType, fileName, nullptr));
}

std::int32_t RecordingVideoClientLibrary::X_ClientStopCapture(std::int32_t handle, std::uint16_t linkType) {
    return record(MakeCall("X_ClientStopCapture", handle, 0, linkType, {}, nullptr));
}

}  // namespace strovik
