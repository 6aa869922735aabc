#pragma once

#include <cstdint>
#include <string>

namespace strovik::devsim {

enum class StreamKind { Main, Sub };

// Which simulated stream: a device's channel, main or sub stream. A device of C channels serves
// channel i's main stream at stream index i and its sub stream at C + i.
struct StreamId {
    std::string deviceName;
    int channelIndex = 0;  // 0-based
    StreamKind kind = StreamKind::Main;

    friend bool operator<(const StreamId& a, const StreamId& b) {
        if (a.deviceName != b.deviceName) return a.deviceName < b.deviceName;
        if (a.channelIndex != b.channelIndex) return a.channelIndex < b.channelIndex;
        return a.kind < b.kind;
    }
};

// The shape of the simulated streams.
struct StreamProfile {
    int width;
    int height;
    bool hasAudio;  // G.711 mu-law, 8000 samples a second, one 40 ms frame per picture
};
inline constexpr int kFramesPerSecond = 25;
inline constexpr int kFrameIntervalMs = 1000 / kFramesPerSecond;
// One loop of pictures (encoded once, then repeated with fresh time stamps): a key frame every loop.
inline constexpr int kLoopFrames = 2 * kFramesPerSecond;
inline constexpr int kAudioSamplesPerFrame = 8000 / kFramesPerSecond;

inline StreamProfile ProfileOf(StreamKind kind) {
    return kind == StreamKind::Main ? StreamProfile{640, 360, true} : StreamProfile{320, 180, false};
}

}  // namespace strovik::devsim
