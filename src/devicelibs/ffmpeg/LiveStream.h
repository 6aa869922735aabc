#pragma once

#include "devicelibs/ffmpeg/AviWriter.h"
#include "devicelibs/ffmpeg/H264Decoder.h"
#include "devicelibs/ffmpeg/PacketSource.h"
#include "devicelibs/ffmpeg/PcmQueue.h"
#include "devicelibs/ffmpeg/PictureOutput.h"
#include "devicelibs/video/RenderTarget.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace strovik {

// One live stream after the device accepted it: a worker thread reads its frames from the packet
// source (our live session, or an RTSP camera), decodes the pictures, scales them to the render
// target's size and publishes them into the target's slot; it also feeds a capture file and the
// sound output when they are on. The stream is lost when its source ends (the device closes it,
// sends something that is not its protocol, or sends no whole frame within the silence timeout)
// or its pictures stop decoding; onLost then runs once on the worker thread (it must only post).
//
// Threads: the public calls come from the GUI thread; the worker owns the source and the decoder.
// Each piece the two share has its own lock, never held together with another: captureMutex_
// guards capture_, soundMutex_ sound_, PictureOutput its own. The drop level is an atomic the
// worker applies per frame.
class LiveStream final {
public:
    struct Setup {
        std::int32_t handle = 0;
        std::unique_ptr<PacketSource> source;  // the stream after the device accepted it
        StreamFormat format;
        std::shared_ptr<PictureSlot> slot;  // may be null
        std::chrono::milliseconds silenceTimeout{5000};
        std::function<void(std::int32_t handle)> onLost;
        // A capture file that could not be written (a full disk) was closed; runs on the worker
        // thread (it must only post).
        std::function<void(std::int32_t handle)> onCaptureFailed;
    };

    explicit LiveStream(Setup setup);
    // Stops the worker (bounded: the source is interrupted to wake it) and closes a capture file.
    ~LiveStream();
    LiveStream(const LiveStream&) = delete;
    LiveStream& operator=(const LiveStream&) = delete;

    void setRenderTarget(std::shared_ptr<PictureSlot> slot) { pictures_.setRenderTarget(std::move(slot)); }
    void setQuality(std::int32_t level) { pictures_.setQuality(level); }
    void setThrowLevel(std::int32_t level) { throwLevel_ = level; }
    void setSound(std::shared_ptr<PcmQueue> queue);

    bool savePicture(const std::string& fileName) const { return pictures_.savePicture(fileName); }
    bool startCapture(const std::string& fileName);
    bool stopCapture();

    // Whether the stream carries sound, as the device announced.
    bool hasAudio() const { return format_.hasAudio; }

private:
    void run();
    bool handlePicture(const SourcePacket& packet);
    void handleAudio(const SourcePacket& packet);
    // Hands a frame to the capture file; a failed write closes it and says so.
    void capture(const std::function<bool(AviWriter&)>& write);

    const std::int32_t handle_;
    const std::unique_ptr<PacketSource> source_;
    const std::chrono::milliseconds silenceTimeout_;
    const std::function<void(std::int32_t)> onLost_;
    const std::function<void(std::int32_t)> onCaptureFailed_;
    const StreamFormat format_;

    std::atomic<bool> stopping_{false};
    std::atomic<std::int32_t> throwLevel_{0};
    PictureOutput pictures_;

    std::mutex captureMutex_;
    std::unique_ptr<AviWriter> capture_;

    std::mutex soundMutex_;
    std::shared_ptr<PcmQueue> sound_;

    // Worker thread only.
    H264Decoder decoder_;
    int consecutiveDecodeErrors_ = 0;
    std::vector<std::int16_t> pcm_;

    std::thread worker_;  // last: starts after everything above exists
};

}  // namespace strovik
