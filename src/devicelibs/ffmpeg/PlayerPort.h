#pragma once

#include "devicelibs/ffmpeg/H264Decoder.h"
#include "devicelibs/ffmpeg/PcmQueue.h"
#include "devicelibs/ffmpeg/PictureOutput.h"
#include "devicelibs/ffmpeg/SourceBuffer.h"
#include "devicelibs/video/FrameFormat.h"
#include "devicelibs/video/StreamPlayerLibrary.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace strovik {

// One port of the stream player. The feeder (remote playback's thread) opens it and fills its
// source buffer; between play() and stop() a player thread of the port decodes what the buffer
// holds and shows it in the render target.
//   - Frame format: one buffer piece per frame, shown as soon as decoded (the feeder paces by the
//     frames' time stamps).
//   - Plain format: the header from the open call followed by the buffer's bytes form a fragmented
//     MP4 file, demuxed with libavformat and shown at the pace of its time stamps (pictures only).
// Data that turns out not to be what the port was opened for (no MP4, undecodable pictures) makes
// the port fail: it refuses further input until it is closed or opened again.
//
// Controls: a paused port's player thread holds inside its picture callback (the picture stays on
// the target) until it is resumed, given a step (one picture) or stopped; a seek restarts the
// player thread on an emptied buffer and hides the pictures before its target. Pause, step and
// speed are atomics that the player thread reads; holdMutex_ only pairs with holdWake_.
//
// Threads and locks: controlMutex_ serialises open, play, stop and close and is held while the
// player thread is joined; the player thread never takes it. Input, buffer resets and the buffer
// callback go through the SourceBuffer's own lock only, so a feeder blocked on the player never
// holds up a stop. soundMutex_ guards sound_.
class PlayerPort final {
public:
    // sourceBufferBytes must hold the biggest frame (kMaxFrameBodyBytes and one byte).
    PlayerPort(std::int32_t number, std::size_t sourceBufferBytes)
        : number_(number), buffer_(sourceBufferBytes) {}
    ~PlayerPort();
    PlayerPort(const PlayerPort&) = delete;
    PlayerPort& operator=(const PlayerPort&) = delete;

    void setOpenMode(std::int32_t mode) { openMode_ = mode; }
    void setSourceBufferCallback(std::uint32_t threshold, SourceBufferCallback callback, void* user);
    void rearmSourceBufferCallback() { buffer_.rearmCallback(); }
    void resetSourceBuffer() { buffer_.clear(); }

    bool openFile(const std::uint8_t* header, std::size_t length);
    bool openFrames(const FrameHeader& firstPicture, bool audioSeen);
    bool input(const std::uint8_t* data, std::size_t length);
    bool inputFrame(const std::uint8_t* body, std::size_t length, std::uint8_t frameType);

    bool play(std::shared_ptr<PictureSlot> slot);
    bool stop();
    bool close();

    void setPaused(bool paused);
    void setSpeedStep(std::int32_t step);
    bool step();
    void setNextFrameTime(std::int64_t timeMs) { nextFrameTime_ = timeMs; }
    // Feeder thread: joins the player thread and starts it again on an empty buffer.
    bool seek(std::int64_t timeMs);
    std::int64_t playedTime() const { return playedTime_; }
    std::int32_t playedFrames() const { return playedFrames_; }

    void setThrowLevel(std::int32_t level) { throwLevel_ = level; }
    void setQuality(std::int32_t level) { pictures_.setQuality(level); }
    void setRenderTarget(std::shared_ptr<PictureSlot> slot) { pictures_.setRenderTarget(std::move(slot)); }
    void setSound(std::shared_ptr<PcmQueue> queue);
    bool savePicture(const std::string& fileName) const { return pictures_.savePicture(fileName); }
    bool isOpen() const { return kind_ != Kind::Closed; }

private:
    enum class Kind { Closed, File, Frames };

    void stopLocked();
    void startLocked();
    // A new stream: no pause, step, seek or speed, nothing played.
    void resetControls();
    void runFrames();
    // Player thread, in the picture callback: false for a picture that stays hidden (before a
    // seek's target, or the port was stopped while it held the picture back).
    bool admitPicture(std::int64_t timeMs);
    void showPicture(const AVFrame& frame, std::int64_t timeMs);
    // Player thread: waits while paused with no step; false when stopping.
    bool holdWhilePaused();
    void runFile();
    // Decodes one picture; false once pictures have failed for too long (the port fails).
    bool decodePicture(H264Decoder& decoder, const std::uint8_t* data, std::size_t length, bool keyFrame,
                       const std::function<void(const AVFrame&)>& onPicture,
                       std::int64_t pts = AV_NOPTS_VALUE);
    void playSound(const std::uint8_t* data, std::size_t length);
    // The player thread's source for libavformat: the header, then the buffer.
    static int ReadFileBytes(void* opaque, std::uint8_t* data, int size);

    const std::int32_t number_;
    std::atomic<std::int32_t> openMode_{StreamOpenMode::FileWithHeader};
    std::atomic<std::int32_t> throwLevel_{0};
    std::atomic<bool> failed_{false};
    std::atomic<bool> stopping_{false};
    SourceBuffer buffer_;
    PictureOutput pictures_;

    std::mutex controlMutex_;
    std::atomic<Kind> kind_{Kind::Closed};
    std::vector<std::uint8_t> header_;  // plain format; read by the player thread while it runs
    // Player thread only.
    std::size_t headerRead_ = 0;
    int consecutiveDecodeErrors_ = 0;
    std::vector<std::int16_t> pcm_;
    std::thread player_;

    std::mutex soundMutex_;
    std::shared_ptr<PcmQueue> sound_;

    std::atomic<bool> paused_{false};
    std::atomic<int> stepCredit_{0};
    std::atomic<std::int32_t> speedStep_{0};
    // Bumped by every pause, resume and speed change: a plain file's clock starts anew.
    std::atomic<std::uint64_t> clockEpoch_{0};
    std::atomic<std::int64_t> nextFrameTime_{-1};  // feeder
    std::atomic<std::int64_t> showFrom_{-1};       // the last seek's target
    std::atomic<bool> landing_{false};             // the seek's first picture is still to come
    std::atomic<std::int64_t> playedTime_{-1};
    std::atomic<std::int32_t> playedFrames_{0};
    std::int64_t firstStampMs_ = -1;  // plain format; player thread, kept across seeks
    std::mutex holdMutex_;
    std::condition_variable holdWake_;
};

}  // namespace strovik
