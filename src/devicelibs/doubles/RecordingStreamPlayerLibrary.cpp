#include "devicelibs/doubles/RecordingStreamPlayerLibrary.h"

namespace strovik {

namespace {

std::vector<std::uint8_t> Bytes(const std::uint8_t* data, std::int32_t length) {
    if (data == nullptr || length <= 0) return {};
    return {data, data + length};
}

RecordingStreamPlayerLibrary::Call MakeCall(std::string name, std::int32_t port = 0, std::int32_t value = 0,
                                            std::vector<std::uint8_t> data = {}, std::string fileName = {},
                                            RenderTarget* window = nullptr) {
    RecordingStreamPlayerLibrary::Call call;
    call.name = std::move(name);
    call.port = port;
    call.value = value;
    call.data = std::move(data);
    call.fileName = std::move(fileName);
    call.window = window;
    return call;
}

}  // namespace

void RecordingStreamPlayerLibrary::setResult(const std::string& callName, std::int32_t result) {
    std::lock_guard lock(mutex_);
    results_[callName] = result;
}

void RecordingStreamPlayerLibrary::setCpuUsage(std::int32_t percent) {
    std::lock_guard lock(mutex_);
    cpuUsage_ = percent;
}

std::vector<RecordingStreamPlayerLibrary::Call> RecordingStreamPlayerLibrary::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<RecordingStreamPlayerLibrary::Call> RecordingStreamPlayerLibrary::callsNamed(
    const std::string& callName) const {
    std::vector<Call> named;
    for (const Call& call : calls())
        if (call.name == callName) named.push_back(call);
    return named;
}

bool RecordingStreamPlayerLibrary::fireSourceBufferCallback(std::int32_t port,
                                                            std::uint32_t bufferedBytes) const {
    Registration registration;
    {
        std::lock_guard lock(mutex_);
        const auto found = callbacks_.find(port);
        if (found == callbacks_.end() || !found->second.callback) return false;
        registration = found->second;
    }
    registration.callback(port, bufferedBytes, registration.user, nullptr);
    return true;
}

std::int32_t RecordingStreamPlayerLibrary::record(Call call) {
    std::lock_guard lock(mutex_);
    const auto result = results_.find(call.name);
    calls_.push_back(std::move(call));
    return result != results_.end() ? result->second : 1;
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_GetCPUUsage() {
    record(MakeCall("X_Play_GetCPUUsage"));
    std::lock_guard lock(mutex_);
    return cpuUsage_;
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_GetFileHeadLength(std::int32_t port,
                                                                    const std::uint8_t* firstFourBytes) {
    return record(MakeCall("X_Play_GetFileHeadLength", port, 0, Bytes(firstFourBytes, 4), {}, nullptr));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_SetStreamOpenMode(std::int32_t port, std::int32_t mode) {
    return record(MakeCall("X_Play_SetStreamOpenMode", port, mode, {}, {}, nullptr));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_SetSourceBufCallBack(std::int32_t port,
                                                                       std::uint32_t threshold,
                                                                       SourceBufferCallback callback,
                                                                       void* user, void*) {
    {
        std::lock_guard lock(mutex_);
        callbacks_[port] = {std::move(callback), user};
    }
    return record(
        MakeCall("X_Play_SetSourceBufCallBack", port, static_cast<std::int32_t>(threshold), {}, {}, nullptr));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_ResetSourceBufFlag(std::int32_t port) {
    return record(MakeCall("X_Play_ResetSourceBufFlag", port));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_ResetSourceBuffer(std::int32_t port) {
    return record(MakeCall("X_Play_ResetSourceBuffer", port));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_OpenStream(std::int32_t port, const std::uint8_t* header,
                                                             std::int32_t length) {
    return record(MakeCall("X_Play_OpenStream", port, length, Bytes(header, length), {}, nullptr));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_DVROpenStream(std::int32_t port,
                                                                const std::uint8_t* frameHeader,
                                                                std::int32_t length, std::int32_t audioSeen) {
    return record(MakeCall("X_Play_DVROpenStream", port, audioSeen, Bytes(frameHeader, length), {}, nullptr));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_InputData(std::int32_t port, const std::uint8_t* data,
                                                            std::int32_t length) {
    return record(MakeCall("X_Play_InputData", port, length, Bytes(data, length), {}, nullptr));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_DVRInputData(std::int32_t port, const std::uint8_t* data,
                                                               std::int32_t length, std::int32_t frameType) {
    return record(MakeCall("X_Play_DVRInputData", port, frameType, Bytes(data, length), {}, nullptr));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_ThrowBFrameNum(std::int32_t port, std::int32_t level) {
    return record(MakeCall("X_Play_ThrowBFrameNum", port, level, {}, {}, nullptr));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_Play(std::int32_t port, RenderTarget* window) {
    return record(MakeCall("X_Play_Play", port, 0, {}, {}, window));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_Stop(std::int32_t port) {
    return record(MakeCall("X_Play_Stop", port));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_CloseStream(std::int32_t port) {
    return record(MakeCall("X_Play_CloseStream", port));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_PlaySound(std::int32_t port) {
    return record(MakeCall("X_Play_PlaySound", port));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_StopSound() {
    return record(MakeCall("X_Play_StopSound"));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_CapPicFile(std::int32_t port, const std::string& fileName) {
    return record(MakeCall("X_Play_CapPicFile", port, 0, {}, fileName, nullptr));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_SetPicQuality(std::int32_t port, std::int32_t level) {
    return record(MakeCall("X_Play_SetPicQuality", port, level, {}, {}, nullptr));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_ChangeRenderHandle(std::int32_t port,
                                                                     RenderTarget* window) {
    return record(MakeCall("X_Play_ChangeRenderHandle", port, 0, {}, {}, window));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_Pause(std::int32_t port, std::int32_t pause) {
    return record(MakeCall("X_Play_Pause", port, pause));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_SetPlaySpeed(std::int32_t port, std::int32_t speedStep) {
    return record(MakeCall("X_Play_SetPlaySpeed", port, speedStep));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_StepFrame(std::int32_t port) {
    return record(MakeCall("X_Play_StepFrame", port));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_SetFrameTime(std::int32_t port, std::int64_t timeMs) {
    return record(MakeCall("X_Play_SetFrameTime", port, static_cast<std::int32_t>(timeMs)));
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_Seek(std::int32_t port, std::int64_t timeMs) {
    return record(MakeCall("X_Play_Seek", port, static_cast<std::int32_t>(timeMs)));
}

std::int64_t RecordingStreamPlayerLibrary::X_Play_GetPlayedTime(std::int32_t) {
    // Polled by the windows: answered without being recorded.
    std::lock_guard lock(mutex_);
    const auto found = results_.find("X_Play_GetPlayedTime");
    return found != results_.end() ? found->second : -1;
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_GetPlayedFrames(std::int32_t) {
    std::lock_guard lock(mutex_);
    const auto found = results_.find("X_Play_GetPlayedFrames");
    return found != results_.end() ? found->second : 0;
}

std::int32_t RecordingStreamPlayerLibrary::X_Play_DVRtoAVI(const std::string& fileName, std::int32_t mode) {
    return record(MakeCall("X_Play_DVRtoAVI", 0, mode, {}, fileName, nullptr));
}

}  // namespace strovik
