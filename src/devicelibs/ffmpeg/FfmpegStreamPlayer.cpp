#include "devicelibs/ffmpeg/FfmpegStreamPlayer.h"

#include "devicelibs/ffmpeg/FrameFileToAvi.h"
#include "devicelibs/ffmpeg/PlayerPort.h"
#include "devicelibs/video/FrameFormat.h"
#include "devicelibs/video/RenderTarget.h"

#include <algorithm>

namespace strovik {

namespace {

// An MP4 file starts with its ftyp box; its size (big-endian) is the header we want first.
constexpr std::uint32_t kMinHeadLength = 8;
constexpr std::uint32_t kMaxHeadLength = 1024;

std::shared_ptr<PictureSlot> SlotOf(RenderTarget* window) { return window != nullptr ? window->pictureSlot() : nullptr; }

}  // namespace

FfmpegStreamPlayer::FfmpegStreamPlayer() : FfmpegStreamPlayer(Options{}) {}

FfmpegStreamPlayer::FfmpegStreamPlayer(Options options) {
    const std::size_t bufferBytes = std::max<std::size_t>(options.sourceBufferBytes, kMaxFrameBodyBytes + 1);
    for (std::int32_t i = 0; i < kPlayerPortCount; ++i)
        ports_[static_cast<std::size_t>(i)] = std::make_unique<PlayerPort>(i, bufferBytes);
}

FfmpegStreamPlayer::~FfmpegStreamPlayer() = default;

PlayerPort* FfmpegStreamPlayer::portAt(std::int32_t port) const {
    if (port < 0 || port >= kPlayerPortCount) return nullptr;
    return ports_[static_cast<std::size_t>(port)].get();
}

std::int32_t FfmpegStreamPlayer::X_Play_GetCPUUsage() { return cpuMeter_.loadPercent(); }

std::int32_t FfmpegStreamPlayer::X_Play_GetFileHeadLength(std::int32_t, const std::uint8_t* firstFourBytes) {
    if (firstFourBytes == nullptr) return 0;
    const std::uint32_t length = std::uint32_t(firstFourBytes[0]) << 24 | std::uint32_t(firstFourBytes[1]) << 16 |
                                 std::uint32_t(firstFourBytes[2]) << 8 | std::uint32_t(firstFourBytes[3]);
    return length >= kMinHeadLength && length <= kMaxHeadLength ? static_cast<std::int32_t>(length) : 0;
}

std::int32_t FfmpegStreamPlayer::X_Play_SetStreamOpenMode(std::int32_t port, std::int32_t mode) {
    PlayerPort* player = portAt(port);
    if (player == nullptr || (mode != StreamOpenMode::FrameStream && mode != StreamOpenMode::FileWithHeader)) return 0;
    player->setOpenMode(mode);
    return 1;
}

std::int32_t FfmpegStreamPlayer::X_Play_SetSourceBufCallBack(std::int32_t port, std::uint32_t threshold,
                                                             SourceBufferCallback callback, void* user, void*) {
    PlayerPort* player = portAt(port);
    if (player == nullptr) return 0;
    player->setSourceBufferCallback(threshold, std::move(callback), user);
    return 1;
}

std::int32_t FfmpegStreamPlayer::X_Play_ResetSourceBufFlag(std::int32_t port) {
    PlayerPort* player = portAt(port);
    if (player == nullptr) return 0;
    player->rearmSourceBufferCallback();
    return 1;
}

std::int32_t FfmpegStreamPlayer::X_Play_ResetSourceBuffer(std::int32_t port) {
    PlayerPort* player = portAt(port);
    if (player == nullptr) return 0;
    player->resetSourceBuffer();
    return 1;
}

std::int32_t FfmpegStreamPlayer::X_Play_OpenStream(std::int32_t port, const std::uint8_t* header, std::int32_t length) {
    PlayerPort* player = portAt(port);
    return player != nullptr && length > 0 && player->openFile(header, static_cast<std::size_t>(length)) ? 1 : 0;
}

std::int32_t FfmpegStreamPlayer::X_Play_DVROpenStream(std::int32_t port, const std::uint8_t* frameHeader,
                                                      std::int32_t length, std::int32_t audioSeen) {
    PlayerPort* player = portAt(port);
    if (player == nullptr || frameHeader == nullptr || length < static_cast<std::int32_t>(kFrameHeaderBytes)) return 0;
    return player->openFrames(ReadFrameHeader(frameHeader), audioSeen != 0) ? 1 : 0;
}

std::int32_t FfmpegStreamPlayer::X_Play_InputData(std::int32_t port, const std::uint8_t* data, std::int32_t length) {
    PlayerPort* player = portAt(port);
    return player != nullptr && length > 0 && player->input(data, static_cast<std::size_t>(length)) ? 1 : 0;
}

std::int32_t FfmpegStreamPlayer::X_Play_DVRInputData(std::int32_t port, const std::uint8_t* data, std::int32_t length,
                                                     std::int32_t frameType) {
    PlayerPort* player = portAt(port);
    if (player == nullptr || data == nullptr || length <= kDvrInputLeadBytes + kDvrInputTailBytes || frameType < 0 ||
        frameType > 15)
        return 0;
    const auto bodyLength = static_cast<std::size_t>(length - kDvrInputLeadBytes - kDvrInputTailBytes);
    return player->inputFrame(data + kDvrInputLeadBytes, bodyLength, static_cast<std::uint8_t>(frameType)) ? 1 : 0;
}

std::int32_t FfmpegStreamPlayer::X_Play_ThrowBFrameNum(std::int32_t port, std::int32_t level) {
    PlayerPort* player = portAt(port);
    if (player == nullptr) return 0;
    player->setThrowLevel(level);
    return 1;
}

std::int32_t FfmpegStreamPlayer::X_Play_Play(std::int32_t port, RenderTarget* window) {
    PlayerPort* player = portAt(port);
    return player != nullptr && player->play(SlotOf(window)) ? 1 : 0;
}

std::int32_t FfmpegStreamPlayer::X_Play_Stop(std::int32_t port) {
    PlayerPort* player = portAt(port);
    return player != nullptr && player->stop() ? 1 : 0;
}

std::int32_t FfmpegStreamPlayer::X_Play_CloseStream(std::int32_t port) {
    PlayerPort* player = portAt(port);
    if (player == nullptr) return 0;
    {
        std::lock_guard lock(soundMutex_);
        if (player == soundPort_) {
            soundPort_ = nullptr;
            sound_.stop();
        }
    }
    player->setSound(nullptr);
    return player->close() ? 1 : 0;
}

std::int32_t FfmpegStreamPlayer::X_Play_PlaySound(std::int32_t port) {
    PlayerPort* player = portAt(port);
    if (player == nullptr) return 0;
    std::lock_guard lock(soundMutex_);
    if (soundPort_ != nullptr) soundPort_->setSound(nullptr);
    soundPort_ = player;
    player->setSound(sound_.start());
    return 1;
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
    PlayerPort* player = portAt(port);
    return player != nullptr && player->savePicture(fileName) ? 1 : 0;
}

std::int32_t FfmpegStreamPlayer::X_Play_SetPicQuality(std::int32_t port, std::int32_t level) {
    PlayerPort* player = portAt(port);
    if (player == nullptr) return 0;
    player->setQuality(level);
    return 1;
}

std::int32_t FfmpegStreamPlayer::X_Play_ChangeRenderHandle(std::int32_t port, RenderTarget* window) {
    PlayerPort* player = portAt(port);
    if (player == nullptr) return 0;
    player->setRenderTarget(SlotOf(window));
    return 1;
}

std::int32_t FfmpegStreamPlayer::X_Play_DVRtoAVI(const std::string& fileName, std::int32_t) {
    return ConvertFrameFileToAvi(fileName) ? 1 : 0;
}

}  // namespace strovik
