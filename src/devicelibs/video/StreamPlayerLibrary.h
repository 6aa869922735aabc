#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace strovik {

class RenderTarget;

// Called when a port's source buffer holds less than the threshold given with
// X_Play_SetSourceBufCallBack and the callback is armed: (port, bytes still buffered, the user
// value, reserved). Runs on the port's player thread; it may call X_Play_ResetSourceBufFlag and
// must not block. The player disarms it before the call, so it fires once per arming.
using SourceBufferCallback =
    std::function<void(std::int32_t port, std::uint32_t bufferedBytes, void* user, void* reserved)>;

// Stream open modes (X_Play_SetStreamOpenMode).
namespace StreamOpenMode {
inline constexpr std::int32_t FrameStream = 0;     // ".264" frame-format files: X_Play_DVROpenStream
inline constexpr std::int32_t FileWithHeader = 1;  // fragmented MP4 files: X_Play_OpenStream
}  // namespace StreamOpenMode

// X_Play_DVRInputData takes a frame as remote playback hands it over: kDvrInputLeadBytes bytes, the
// frame body, kDvrInputTailBytes bytes; length = body length + 12.
inline constexpr std::int32_t kDvrInputLeadBytes = 7;
inline constexpr std::int32_t kDvrInputTailBytes = 5;

// Player ports: 0 .. kPlayerPortCount - 1 (video windows use 65..128).
inline constexpr std::int32_t kPlayerPortCount = 256;

// Playing speeds of X_Play_SetPlaySpeed as powers of two: -3 is 1/8x, 0 normal, 3 is 8x.
inline constexpr std::int32_t kSlowestSpeedStep = -3;
inline constexpr std::int32_t kFastestSpeedStep = 3;

// The stream player library: one port per video window, fed with file data by the caller and
// drawing into a render target; plus the CPU meter and the frame-format to AVI conversion.
// Thread-safe: remote playback feeds a port (open, input, reset, and even play and sound) from its
// own thread while the GUI thread controls it (play, stop, sound, quality, render target).
// Non-zero results mean success unless a call says otherwise.
class StreamPlayerLibrary {
public:
    virtual ~StreamPlayerLibrary() = default;

    // The system's CPU load in percent since the previous call (0..100).
    virtual std::int32_t X_Play_GetCPUUsage() = 0;

    // The length of the file header that X_Play_OpenStream wants, judged from the file's first
    // four bytes (the size of an MP4 file's leading box); 0 when they start no file we can play.
    virtual std::int32_t X_Play_GetFileHeadLength(std::int32_t port, const std::uint8_t* firstFourBytes) = 0;
    virtual std::int32_t X_Play_SetStreamOpenMode(std::int32_t port, std::int32_t mode) = 0;
    virtual std::int32_t X_Play_SetSourceBufCallBack(std::int32_t port, std::uint32_t threshold,
                                                     SourceBufferCallback callback, void* user,
                                                     void* reserved) = 0;
    virtual std::int32_t X_Play_ResetSourceBufFlag(std::int32_t port) = 0;
    virtual std::int32_t X_Play_ResetSourceBuffer(std::int32_t port) = 0;

    // Plain format: the file header (X_Play_GetFileHeadLength bytes) opens the port.
    virtual std::int32_t X_Play_OpenStream(std::int32_t port, const std::uint8_t* header,
                                           std::int32_t length) = 0;
    // Frame format: the first picture frame's header opens the port; audioSeen says that the
    // stream holds audio frames.
    virtual std::int32_t X_Play_DVROpenStream(std::int32_t port, const std::uint8_t* frameHeader,
                                              std::int32_t length, std::int32_t audioSeen) = 0;
    // 0 = not accepted (the bounded source buffer is full, or the port is not open or failed).
    virtual std::int32_t X_Play_InputData(std::int32_t port, const std::uint8_t* data,
                                          std::int32_t length) = 0;
    virtual std::int32_t X_Play_DVRInputData(std::int32_t port, const std::uint8_t* data, std::int32_t length,
                                             std::int32_t frameType) = 0;
    virtual std::int32_t X_Play_ThrowBFrameNum(std::int32_t port, std::int32_t level) = 0;

    virtual std::int32_t X_Play_Play(std::int32_t port, RenderTarget* window) = 0;
    virtual std::int32_t X_Play_Stop(std::int32_t port) = 0;
    virtual std::int32_t X_Play_CloseStream(std::int32_t port) = 0;

    // Sound of one port at a time (frame-format streams' G.711 sound); may be switched from the
    // feeder's thread too. PlaySound is non-zero for a valid port, StopSound when a port's sound
    // was on.
    virtual std::int32_t X_Play_PlaySound(std::int32_t port) = 0;
    virtual std::int32_t X_Play_StopSound() = 0;

    // A BMP of the newest picture at the stream's own size.
    virtual std::int32_t X_Play_CapPicFile(std::int32_t port, const std::string& fileName) = 0;
    virtual std::int32_t X_Play_SetPicQuality(std::int32_t port, std::int32_t level) = 0;
    virtual std::int32_t X_Play_ChangeRenderHandle(std::int32_t port, RenderTarget* window) = 0;

    // --- Playback controls ---
    // Times are milliseconds from the start of the stream: the frame stamps a feeder gives with
    // X_Play_SetFrameTime (frame format), the container's time stamps (plain format).

    // 1 holds the newest picture: the player takes nothing more out of its buffer until 0 resumes
    // it (a plain file's clock then starts anew). Frame streams are paced by their feeder, which
    // stops feeding while it pauses the port.
    virtual std::int32_t X_Play_Pause(std::int32_t port, std::int32_t pause) = 0;
    // kSlowestSpeedStep .. kFastestSpeedStep: plain files are shown at their time stamps' pace
    // times 2^step; frame streams are shown as fed (their feeder scales its pacing). 0 outside.
    virtual std::int32_t X_Play_SetPlaySpeed(std::int32_t port, std::int32_t speedStep) = 0;
    // While paused: shows exactly one more picture, from what is buffered or fed next. 0 when the
    // port is not paused.
    virtual std::int32_t X_Play_StepFrame(std::int32_t port) = 0;
    // Frame format: the time of the frame that the next X_Play_DVRInputData hands over.
    virtual std::int32_t X_Play_SetFrameTime(std::int32_t port, std::int64_t timeMs) = 0;
    // Drops everything buffered and starts decoding afresh: pictures before timeMs are decoded but
    // not shown, the first one at or after it is shown even while paused. The feeder then feeds
    // from a key frame at or before timeMs (a plain file from its first fragment). Runs on the
    // feeder's thread; it waits for the player thread to take the new start.
    virtual std::int32_t X_Play_Seek(std::int32_t port, std::int64_t timeMs) = 0;
    // The time of the newest picture shown (-1 before the first), and how many were shown since
    // the stream was opened. Never block.
    virtual std::int64_t X_Play_GetPlayedTime(std::int32_t port) = 0;
    virtual std::int32_t X_Play_GetPlayedFrames(std::int32_t port) = 0;

    // Remuxes a frame-format file into an AVI next to it (the extension replaced by ".avi"),
    // completely, before returning. mode 1 after a download, 2 after a playback; both convert the
    // same way. Non-zero = written.
    virtual std::int32_t X_Play_DVRtoAVI(const std::string& fileName, std::int32_t mode) = 0;
};

}  // namespace strovik
