#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace strovik {

// One coded frame as a live stream's source hands it to the decode pipeline.
struct SourcePacket {
    enum class Kind : std::uint8_t { Picture, Sound };
    Kind kind = Kind::Picture;
    const std::uint8_t* data = nullptr;  // H.264 Annex B, or G.711 mu-law; owned by the source
    std::size_t size = 0;
    bool keyFrame = false;
    std::uint32_t timeStampMs = 0;  // on the source's own clock; gaps are kept
};

// What the decode pipeline knows of a stream before its first picture.
struct StreamFormat {
    int width = 0;   // 0: not announced; the decoder's size is used
    int height = 0;
    int framesPerSecond = 25;
    bool hasAudio = false;  // mu-law, 8000 samples a second, mono
};

// Where a live stream's frames come from: our live session, or an RTSP camera. The stream's worker
// thread owns it and calls next(); interrupt() may come from any thread.
class PacketSource {
public:
    virtual ~PacketSource() = default;

    // Blocks until the next frame, at most silenceTimeout. False: the stream is over (closed,
    // broken, silent or interrupted); it stays over. The packet's data is valid until the next call.
    virtual bool next(SourcePacket& packet, std::chrono::milliseconds silenceTimeout) = 0;
    // Makes a blocked next() return false soon, and every later one at once.
    virtual void interrupt() = 0;
};

}  // namespace strovik
