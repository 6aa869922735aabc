#pragma once

#include "devsim/media/StreamProfile.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace strovik::devsim {

// One encoded picture in decoding order.
struct EncodedPicture {
    std::vector<std::uint8_t> data;  // H.264, Annex B, parameter sets in band before key frames
    std::uint8_t frameType = 0;      // FrameType: 1 key, 2 referenced, 3 not referenced
    std::int64_t pts = 0;            // in frames from the loop's start
    std::int64_t dts = 0;
};

// A stream's loop of kLoopFrames pictures (and their sound), encoded once and repeated with fresh
// time stamps by live sessions and recording writers. Immutable once made; shared between threads.
struct EncodedLoop {
    int width = 0;
    int height = 0;
    std::vector<EncodedPicture> pictures;
    std::vector<std::uint8_t> parameterSets;  // SPS and PPS, Annex B (for containers that want them)
    // One 40 ms mu-law frame per picture, empty when the stream has no sound.
    std::vector<std::vector<std::uint8_t>> audioFrames;
};

// Encodes the loop of a stream with x264 (through libavcodec). nullptr when the encoder is
// missing or fails. Takes a fraction of a second per stream (docs/media.md).
std::shared_ptr<const EncodedLoop> EncodeLoop(const StreamId& stream);

}  // namespace strovik::devsim
