#include "devicelibs/ffmpeg/FfmpegStreamPlayer.h"

#include "devicelibs/ffmpeg/FrameFileToAvi.h"
#include "devicelibs/ffmpeg/PlayerPort.h"
#include "devicelibs/video/FrameFormat.h"
#include "devicelibs/video/RenderTarget.h"

#include <algorithm>
#include <type_traits>

namespace strovik {

namespace {

// An MP4 file starts with its ftyp box; its size (big-endian) is the header we want first.
constexpr std::uint32_t kMinHeadLength = 8;
constexpr std::uint32_t kMaxHeadLength = 1024;

std::shared_ptr<PictureSlot> SlotOf(RenderTarget* window) {
    return window != nullptr ? window->pictureSlot() : nullptr;
}

}  // namespace

FfmpegStreamPlayer::FfmpegStreamPlayer() : FfmpegStreamPlayer(Options{}) {}

FfmpegStreamPlayer::FfmpegStreamPlayer(Options options) {
    const std::size_t bufferBytes = std::max<std::size_t>(options.sourceBufferBytes, kMaxFrameBodyBytes + 1);
    for (std::int32_t i = 0; i < kPlayerPortCount; ++i)
        ports_[static_cast<std::size_t>(i)] = std::make_unique<PlayerPort>(i, bufferBytes);
}

FfmpegStreamPlayer::~FfmpegStreamPlayer() = default;

template <typename Action>
std::int32_t FfmpegStreamPlayer::onPort(std::int32_t port, Action&& action) {
    if (port < 0 || port >= kPlayerPortCount) return 0;
    PlayerPort& player = *ports_[static_cast<std::size_t>(port)];
    if constexpr (std::is_void_v<std::invoke_result_t<Action, PlayerPort&>>) {
        action(player);
        return 1;
    } else {
        return action(player) ? 1 : 0;
    }
}

std::int32_t FfmpegStreamPlayer::X_Play_GetCPUUsage() {
    return cpuMeter_.loadPercent();
}

std::int32_t FfmpegStreamPlayer::X_Play_GetFileHeadLength(std::int32_t, const std::uint8_t* firstFourBytes) {
    if (firstFourBytes == nullptr) return 0;
    const std::uint32_t length = std::uint32_t(firstFourBytes[0]) << 24 |
                                 std::uint32_t(firstFourBytes[1]) << 16 |
                                 std::uint32_t(firstFourBytes[2]) << 8 | std::uint32_t(firstFourBytes[3]);
    return length >= kMinHeadLength && length <= kMaxHeadLength ? static_cast<std::int32_t>(length) : 0;
}

std::int32_t FfmpegStreamPlayer::X_Play_SetStreamOpenMode(std::int32_t port, std::int32_t mode) {
    if (mode != StreamOpenMode::FrameStream && mode != StreamOpenMode::FileWithHeader) return 0;
    return onPort(port, [&](PlayerPort& player) { player.setOpenMode(mode); });
}

std::int32_t FfmpegStreamPlayer::X_Play_SetSourceBufCallBack(std::int32_t port, std::uint32_t threshold,
                                                             SourceBufferCallback callback, void* user,
                                                             void*) {
    return onPort(port, [&](PlayerPort& player) {
        player.setSourceBufferCallback(threshold, std::move(callback), user);
    });
}

std::int32_t FfmpegStreamPlayer::X_Play_ResetSourceBufFlag(std::int32_t port) {
    return onPort(port, [](PlayerPort& player) { player.rearmSourceBufferCallback(); });
}

std::int32_t FfmpegStreamPlayer::X_Play_ResetSourceBuffer(std::int32_t port) {
    return onPort(port, [](PlayerPort& player) { player.resetSourceBuffer(); });
}

std::int32_t FfmpegStreamPlayer::X_Play_OpenStream(std::int32_t port, const std::uint8_t* header,
                                                   std::int32_t length) {
    if (length <= 0) return 0;
    return onPort(
        port, [&](PlayerPort& player) { return player.openFile(header, static_cast<std::size_t>(length)); });
}

std::int32_t FfmpegStreamPlayer::X_Play_DVROpenStream(std::int32_t port, const std::uint8_t* frameHeader,
                                                      std::int32_t length, std::int32_t audioSeen) {
    if (frameHeader == nullptr || length < static_cast<std::int32_t>(kFrameHeaderBytes)) return 0;
    return onPort(port, [&](PlayerPort& player) {
        return player.openFrames(ReadFrameHeader(frameHeader), audioSeen != 0);
    });
}

std::int32_t FfmpegStreamPlayer::X_Play_InputData(std::int32_t port, const std::uint8_t* data,
                                                  std::int32_t length) {
    if (length <= 0) return 0;
    return onPort(port,
                  [&](PlayerPort& player) { return player.input(data, static_cast<std::size_t>(length)); });
}

std::int32_t FfmpegStreamPlayer::X_Play_DVRInputData(std::int32_t port, const std::uint8_t* data,
                                                     std::int32_t length, std::int32_t frameType) {
    if (data == nullptr || length <= kDvrInputLeadBytes + kDvrInputTailBytes || frameType < 0 ||
        frameType > 15)
        return 0;
    const auto bodyLength = static_cast<std::size_t>(length - kDvrInputLeadBytes - kDvrInputTailBytes);
    return onPort(port, [&](PlayerPort& player) {
        return player.inputFrame(data + kDvrInputLeadBytes, bodyLength, static_cast<std::uint8_t>(frameType));
    });
}

std::int32_t FfmpegStreamPlayer::X_Play_ThrowBFrameNum(std::int32_t port, std::int32_t level) {
    return onPort(port, [&](PlayerPort& player) { player.setThrowLevel(level); });
}

std::int32_t FfmpegStreamPlayer::X_Play_Play(std::int32_t port, RenderTarget* window) {
    return onPort(port, [&](PlayerPort& player) { return player.play(SlotOf(window)); });
}

std::int32_t FfmpegStreamPlayer::X_Play_Stop(std::int32_t port) {
    return onPort(port, [](PlayerPort& player) { return player.stop(); });
}

std::int32_t FfmpegStreamPlayer::X_Play_CloseStream(std::int32_t port) {
    return onPort(port, [this](PlayerPort& player) {
        {
            std::lock_guard lock(soundMutex_);
            if (&player == soundPort_) {
                soundPort_ = nullptr;
                sound_.stop();
            }
        }
        player.setSound(nullptr);
        return player.close();
    });
}

std::int32_t FfmpegStreamPlayer::X_Play_PlaySound(std::int32_t port) {
    return onPort(port, [this](PlayerPort& player) {
        std::lock_guard lock(soundMutex_);
        if (soundPort_ != nullptr) soundPort_->setSound(nullptr);
        soundPort_ = &player;
        player.setSound(sound_.start());
    });
}

std::int32_t FfmpegStreamPlayer::X_Play_StopSound() {
    std::lock_guard lock(soundMutex_);
    if (soundPort_ == nullptr) return 0;
    soundPort_->setSound(nullptr);
    soundPort_ = nullptr;
    sound_.stop();
    return 1;
}

std::int32_t FfmpegStreamPlayer::X_Play_CapPicFile(std::int32_t port, const std::string& fileName) {
    return onPort(port, [&](PlayerPort& player) { return player.savePicture(fileName); });
}

std::int32_t FfmpegStreamPlayer::X_Play_SetPicQuality(std::int32_t port, std::int32_t level) {
    return onPort(port, [&](PlayerPort& player) { player.setQuality(level); });
}

std::int32_t FfmpegStreamPlayer::X_Play_ChangeRenderHandle(std::int32_t port, RenderTarget* window) {
    return onPort(port, [&](PlayerPort& player) { player.setRenderTarget(SlotOf(window)); });
}

std::int32_t FfmpegStreamPlayer::X_Play_Pause(std::int32_t port, std::int32_t pause) {
    return onPort(port, [&](PlayerPort& player) { player.setPaused(pause != 0); });
}

std::int32_t FfmpegStreamPlayer::X_Play_SetPlaySpeed(std::int32_t port, std::int32_t speedStep) {
    if (speedStep < kSlowestSpeedStep || speedStep > kFastestSpeedStep) return 0;
    return onPort(port, [&](PlayerPort& player) { player.setSpeedStep(speedStep); });
}

std::int32_t FfmpegStreamPlayer::X_Play_StepFrame(std::int32_t port) {
    return onPort(port, [](PlayerPort& player) { return player.step(); });
}

std::int32_t FfmpegStreamPlayer::X_Play_SetFrameTime(std::int32_t port, std::int64_t timeMs) {
    return onPort(port, [&](PlayerPort& player) { player.setNextFrameTime(timeMs); });
}

std::int32_t FfmpegStreamPlayer::X_Play_Seek(std::int32_t port, std::int64_t timeMs) {
    if (timeMs < 0) return 0;
    return onPort(port, [&](PlayerPort& player) { return player.seek(timeMs); });
}

std::int64_t FfmpegStreamPlayer::X_Play_GetPlayedTime(std::int32_t port) {
    if (port < 0 || port >= kPlayerPortCount) return -1;
    return ports_[static_cast<std::size_t>(port)]->playedTime();
}

std::int32_t FfmpegStreamPlayer::X_Play_GetPlayedFrames(std::int32_t port) {
    if (port < 0 || port >= kPlayerPortCount) return 0;
    return ports_[static_cast<std::size_t>(port)]->playedFrames();
}

std::int32_t FfmpegStreamPlayer::X_Play_DVRtoAVI(const std::string& fileName, std::int32_t) {
    return ConvertFrameFileToAvi(fileName) ? 1 : 0;
}

}  // namespace strovik
