#pragma once

#include "devicelibs/ffmpeg/FfmpegHandles.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace strovik {

// Writes received H.264 (Annex B) and G.711 mu-law audio into an AVI file without re-encoding.
// Pictures before the first key frame are left out, so the file starts decodable. Video time
// stamps come from the frames' millisecond stamps, rounded to the frame rate; a gap in the stream
// stays a gap in the file. Used by one thread at a time; finish() (or the destructor) writes the
// index that players need. A process killed while it records leaves a file that players still
// open (without the index): what the muxer holds reaches the disk at every second of video.
class AviWriter final {
public:
    struct Format {
        int width = 0;
        int height = 0;
        int framesPerSecond = 25;
        bool hasAudio = false;  // mu-law, 8000 samples a second, mono
    };

    // Creates the file; check isOpen().
    AviWriter(const std::string& path, const Format& format);
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    bool isOpen() const { return output_ != nullptr; }
    // False when writing failed (the file is then closed and stays as far as it got).
    bool writeVideo(const std::uint8_t* data, std::size_t size, bool keyFrame, std::uint32_t timeStampMs);
    bool writeAudio(const std::uint8_t* data, std::size_t size);
    std::int64_t videoFramesWritten() const { return videoFrames_; }
    // Writes the trailer and closes the file. False when any write failed.
    bool finish();

private:
    bool write(AVStream* stream, const std::uint8_t* data, std::size_t size, std::int64_t timeStamp,
               bool keyFrame);
    void fail();

    OutputFormatPtr output_;
    AVStream* video_ = nullptr;
    AVStream* audio_ = nullptr;
    int framesPerSecond_ = 25;
    bool started_ = false;  // the first key frame was written
    bool failed_ = false;
    std::uint32_t firstStampMs_ = 0;
    std::int64_t lastVideoStamp_ = -1;
    std::int64_t flushedAtStamp_ = 0;  // the video stamp of the last push to the disk
    std::int64_t audioSamples_ = 0;
    std::int64_t videoFrames_ = 0;
};

}  // namespace strovik
