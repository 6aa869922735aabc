#pragma once

#include "devicelibs/video/StreamPlayerLibrary.h"
#include "platform/CpuMeter.h"

#include "devicelibs/ffmpeg/SoundRoute.h"

#include <array>
#include <memory>
#include <mutex>

namespace strovik {

class PlayerPort;

// The stream player library on FFmpeg: kPlayerPortCount PlayerPorts, made when the library is,
// so that a port never moves or goes away while a feeder or the GUI uses it.
class FfmpegStreamPlayer final : public StreamPlayerLibrary {
public:
    struct Options {
        // Bytes a port buffers before X_Play_InputData refuses more: several seconds of either
        // format (raised to hold at least the biggest frame).
        std::size_t sourceBufferBytes = 1024 * 1024;
    };

    FfmpegStreamPlayer();
    explicit FfmpegStreamPlayer(Options options);
    ~FfmpegStreamPlayer() override;

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
    // Runs action on the port: 0 for a port outside the range, else 1, or the action's verdict
    // when it gives one.
    template <typename Action>
    std::int32_t onPort(std::int32_t port, Action&& action);

    std::array<std::unique_ptr<PlayerPort>, kPlayerPortCount> ports_;
    CpuMeter cpuMeter_;

    // Sound of one port at a time; remote playback switches it from its own thread.
    std::mutex soundMutex_;
    PlayerPort* soundPort_ = nullptr;
    SoundRoute sound_;
};

}  // namespace strovik
