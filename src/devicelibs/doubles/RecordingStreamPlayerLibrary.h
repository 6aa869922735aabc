#pragma once

#include "devicelibs/video/StreamPlayerLibrary.h"

#include <map>
#include <mutex>
#include <vector>

namespace strovik {

// Test double of the stream player library: records every call and answers with the result set
// for the call's name (1 unless set; X_Play_GetCPUUsage answers setCpuUsage's value,
// X_Play_GetFileHeadLength the value set for it). X_Play_GetPlayedTime and X_Play_GetPlayedFrames,
// which windows poll, are not recorded and answer the value set for them (-1 and 0 unless set).
// fireSourceBufferCallback calls the registered callback on the calling thread, as the player thread would.
// Thread-safe.
class RecordingStreamPlayerLibrary final : public StreamPlayerLibrary {
public:
    struct Call {
        std::string name;  // "X_Play_Play", ...
        std::int32_t port = 0;
        std::int32_t value = 0;          // mode, level, threshold, frame type or audio flag
        std::vector<std::uint8_t> data;  // bytes handed over (header, input, four bytes)
        std::string fileName;
        RenderTarget* window = nullptr;
    };

    // --- script ---
    void setResult(const std::string& callName, std::int32_t result);
    void setCpuUsage(std::int32_t percent);

    // --- what the program asked ---
    std::vector<Call> calls() const;
    std::vector<Call> callsNamed(const std::string& callName) const;

    // --- the library side ---
    // False when no callback is registered for the port.
    bool fireSourceBufferCallback(std::int32_t port, std::uint32_t bufferedBytes) const;

    // --- StreamPlayerLibrary ---
    std::int32_t X_Play_GetCPUUsage() override;
    std::int32_t X_Play_GetFileHeadLength(std::int32_t port, const std::uint8_t* firstFourBytes) override;
    std::int32_t X_Play_SetStreamOpenMode(std::int32_t port, std::int32_t mode) override;
    std::int32_t X_Play_SetSourceBufCallBack(std::int32_t port, std::uint32_t threshold,
                                             SourceBufferCallback callback, void* user,
                                             void* reserved) override;
    std::int32_t X_Play_ResetSourceBufFlag(std::int32_t port) override;
    std::int32_t X_Play_ResetSourceBuffer(std::int32_t port) override;
    std::int32_t X_Play_OpenStream(std::int32_t port, const std::uint8_t* header,
                                   std::int32_t length) override;
    std::int32_t X_Play_DVROpenStream(std::int32_t port, const std::uint8_t* frameHeader, std::int32_t length,
                                      std::int32_t audioSeen) override;
    std::int32_t X_Play_InputData(std::int32_t port, const std::uint8_t* data, std::int32_t length) override;
    std::int32_t X_Play_DVRInputData(std::int32_t port, const std::uint8_t* data, std::int32_t length,
                                     std::int32_t frameType) override;
    std::int32_t X_Play_ThrowBFrameNum(std::int32_t port, std::int32_t level) override;
    std::int32_t X_Play_Play(std::int32_t port, RenderTarget* window) override;
    std::int32_t X_Play_Stop(std::int32_t port) override;
    std::int32_t X_Play_CloseStream(std::int32_t port) override;
    std::int32_t X_Play_PlaySound(std::int32_t port) override;
    std::int32_t X_Play_StopSound() override;
    std::int32_t X_Play_CapPicFile(std::int32_t port, const std::string& fileName) override;
    std::int32_t X_Play_SetPicQuality(std::int32_t port, std::int32_t level) override;
    std::int32_t X_Play_ChangeRenderHandle(std::int32_t port, RenderTarget* window) override;
    std::int32_t X_Play_Pause(std::int32_t port, std::int32_t pause) override;
    std::int32_t X_Play_SetPlaySpeed(std::int32_t port, std::int32_t speedStep) override;
    std::int32_t X_Play_StepFrame(std::int32_t port) override;
    std::int32_t X_Play_SetFrameTime(std::int32_t port, std::int64_t timeMs) override;
    std::int32_t X_Play_Seek(std::int32_t port, std::int64_t timeMs) override;
    std::int64_t X_Play_GetPlayedTime(std::int32_t port) override;
    std::int32_t X_Play_GetPlayedFrames(std::int32_t port) override;
    std::int32_t X_Play_DVRtoAVI(const std::string& fileName, std::int32_t mode) override;

private:
    struct Registration {
        SourceBufferCallback callback;
        void* user = nullptr;
    };
    std::int32_t record(Call call);

    mutable std::mutex mutex_;
    std::map<std::string, std::int32_t> results_;
    std::int32_t cpuUsage_ = 0;
    std::vector<Call> calls_;
    std::map<std::int32_t, Registration> callbacks_;
};

}  // namespace strovik
