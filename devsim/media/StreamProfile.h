#pragma once

#include <cstdint>
#include <string>

namespace strovik::devsim {

enum class StreamKind { Main, Sub };

// A picture size in pixels; both even (4:2:0 pictures).
struct PictureSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// The sizes a device's streams have unless its configuration gives others.
inline constexpr PictureSize kDefaultMainSize{640, 360};
inline constexpr PictureSize kDefaultSubSize{320, 180};

// Which simulated stream: a device's channel, main or sub stream. A device of C channels serves
// channel i's main stream at stream index i and its sub stream at C + i.
struct StreamId {
    std::string deviceName;
    int channelIndex = 0;  // 0-based
    StreamKind kind = StreamKind::Main;
    PictureSize size{};  // 0 x 0: the kind's default size

    friend bool operator<(const StreamId& a, const StreamId& b) {
        if (a.deviceName != b.deviceName) return a.deviceName < b.deviceName;
        if (a.channelIndex != b.channelIndex) return a.channelIndex < b.channelIndex;
        if (a.kind != b.kind) return a.kind < b.kind;
        if (a.size.width != b.size.width) return a.size.width < b.size.width;
        return a.size.height < b.size.height;
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

inline StreamProfile ProfileOf(const StreamId& stream) {
    const bool main = stream.kind == StreamKind::Main;
    const PictureSize size = stream.size.width > 0 ? stream.size : main ? kDefaultMainSize : kDefaultSubSize;
    return {size.width, size.height, main};
}

}  // namespace strovik::devsim
