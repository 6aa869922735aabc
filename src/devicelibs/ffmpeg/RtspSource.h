#pragma once

#include "devicelibs/ffmpeg/FfmpegHandles.h"
#include "devicelibs/ffmpeg/PacketSource.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace strovik {

// The H.264 stream of an RTSP camera through libavformat's RTSP demuxer. Every blocking step of
// FFmpeg (connect, DESCRIBE, SETUP, PLAY, each read) is bounded by a deadline that the interrupt
// callback enforces, on top of the demuxer's socket timeout; interrupt() ends a wait at once.
// Sound tracks are not read: the stream carries pictures only.
//
// Key frames go out with the stream's parameter sets in front of them when the camera sends those
// only in its session description, so that the decoder and a capture file can start at any key
// frame, as with our own streams.
class RtspSource final : public PacketSource {
public:
    struct Options {
        bool overUdp = false;  // RTP over UDP instead of interleaved in the RTSP connection
        std::chrono::milliseconds openTimeout{4000};
    };
    struct Opened {
        std::unique_ptr<RtspSource> source;  // null on failure
        std::int32_t error = 0;              // a ClientStartError code when source is null
        StreamFormat format;
    };

    // Connects to address (an RTSP address without credentials), logging in with userName and
    // password, and starts playing its first H.264 track; blocks for at most options.openTimeout.
    // A refused login is LoginRefused, a missing stream NoSuchStream, a host that refuses the
    // connection CannotConnect, anything else (no answer in time, garbage, no H.264) NoAnswer.
    static Opened open(const std::string& address, const std::string& userName, const std::string& password,
                       const Options& options);

    ~RtspSource() override;
    RtspSource(const RtspSource&) = delete;
    RtspSource& operator=(const RtspSource&) = delete;

    bool next(SourcePacket& packet, std::chrono::milliseconds silenceTimeout) override;
    void interrupt() override;

private:
    // Read by FFmpeg's interrupt callback on the worker thread; set from any thread.
    struct Interruption {
        std::atomic<bool> stopped{false};
        std::atomic<std::int64_t> deadlineNs{0};  // steady clock
        void setDeadline(std::chrono::milliseconds fromNow);
        static int check(void* opaque);
    };

    RtspSource(std::unique_ptr<Interruption> interruption, InputFormatPtr input, int videoIndex);

    // Declared first so that it outlives the input, whose closing still consults it.
    const std::unique_ptr<Interruption> interruption_;
    InputFormatPtr input_;
    PacketPtr packet_;
    const int videoIndex_;
    const AVRational timeBase_;
    std::vector<std::uint8_t> parameterSets_;  // Annex B, from the session description
    std::vector<std::uint8_t> keyFrame_;       // parameter sets + a key frame that lacked them
    std::int64_t firstPts_ = AV_NOPTS_VALUE;
    bool over_ = false;
};

}  // namespace strovik
