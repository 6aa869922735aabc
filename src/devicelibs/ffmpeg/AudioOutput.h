#pragma once

#include "devicelibs/ffmpeg/PcmQueue.h"

#include <memory>

class QAudioSink;
class QIODevice;

namespace strovik {

// Plays what a stream pushes into the queue (16-bit, 8000 samples a second, mono) on the
// system's default sound output through Qt Multimedia. Made and destroyed on the GUI thread; the
// queue is what a worker thread keeps. On a machine without a sound output it plays nothing and
// isPlaying() is false; the queue then simply drops its oldest samples.
class AudioOutput final {
public:
    static constexpr int kSampleRate = 8000;

    explicit AudioOutput(std::shared_ptr<PcmQueue> queue);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    bool isPlaying() const;
    const std::shared_ptr<PcmQueue>& queue() const { return queue_; }

private:
    std::shared_ptr<PcmQueue> queue_;
    std::unique_ptr<QIODevice> source_;
    std::unique_ptr<QAudioSink> sink_;
};

}  // namespace strovik
