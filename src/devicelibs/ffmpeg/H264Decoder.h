#pragma once

#include "devicelibs/ffmpeg/DecodeLevels.h"
#include "devicelibs/ffmpeg/FfmpegHandles.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace strovik {

// A single-threaded H.264 decoder (one per stream: FFmpeg's own threads cost more CPU per frame
// than one decoder thread per stream). Used by one thread at a time.
class H264Decoder final {
public:
    // parameters: the stream's codec parameters when a container has them (an MP4 file's
    // extradata); without them the data must be Annex B with the parameter sets in band.
    explicit H264Decoder(const AVCodecParameters* parameters = nullptr);
    bool valid() const { return context_ != nullptr; }

    void setDropLevel(DropLevel level);
    void setSkipLoopFilter(bool skip);

    // Decodes one access unit (Annex B); onPicture sees every picture that comes out, valid during
    // the call. Pictures before the first key frame, and after key-frames-only mode until the next
    // key frame, are not decoded (they would only show decoding errors). pts, when known, comes
    // out as the pictures' best_effort_timestamp. Returns false when the decoder rejected the data.
    bool decode(const std::uint8_t* data, std::size_t size, bool keyFrame,
                const std::function<void(const AVFrame&)>& onPicture, std::int64_t pts = AV_NOPTS_VALUE);

private:
    CodecContextPtr context_;
    PacketPtr packet_;
    FramePtr frame_;
    DropLevel dropLevel_ = DropLevel::None;
    bool waitingForKeyFrame_ = true;
};

}  // namespace strovik
