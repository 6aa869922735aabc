#pragma once

#include <string>

namespace strovik::test {

// What libavformat makes of a media file, read packet by packet.
struct MediaProbe {
    bool opened = false;
    std::string format;  // demuxer name
    std::string videoCodec;
    int width = 0;
    int height = 0;
    double durationSeconds = 0;  // of the video stream, from its packets
    int videoPackets = 0;
    int videoKeyPackets = 0;
    std::string audioCodec;  // empty when there is no sound
    int audioPackets = 0;
    int decodedPictures = 0;  // pictures the video decoder produced from all packets
};

MediaProbe ProbeMediaFile(const std::string& path);

}  // namespace strovik::test
