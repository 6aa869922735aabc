#pragma once

#include <cstddef>
#include <cstdint>

namespace strovik {

// The frame format of live streams and of "LDVR" recordings: each frame is a 16-byte header and
// its body. Header bytes 0-3 hold the body length (int32, little-endian), bytes 8-11 the time stamp
// in milliseconds (unsigned), the upper four bits of byte 13 the frame type; the other bytes are
// written as zero and never read. Bodies of picture frames are H.264 in Annex B form (start codes),
// audio bodies are G.711 mu-law, 8000 samples a second, mono.
inline constexpr std::size_t kFrameHeaderBytes = 16;
// Longer bodies are an error: readers give up on the stream or file instead of allocating more.
inline constexpr std::uint32_t kMaxFrameBodyBytes = 102384;

namespace FrameType {
inline constexpr std::uint8_t Key = 1;        // a picture that decoding can start with
inline constexpr std::uint8_t Picture = 2;    // a picture other pictures refer to
inline constexpr std::uint8_t Droppable = 3;  // a picture nothing refers to
inline constexpr std::uint8_t Audio = 4;
}  // namespace FrameType

struct FrameHeader {
    std::uint32_t bodyLength = 0;  // as read; may exceed kMaxFrameBodyBytes (see checkFrameHeader)
    std::uint32_t timeStampMs = 0;
    std::uint8_t type = 0;

    bool isPicture() const { return type >= FrameType::Key && type <= FrameType::Droppable; }
    bool isAudio() const { return type == FrameType::Audio; }
};

FrameHeader ReadFrameHeader(const std::uint8_t* header);
void WriteFrameHeader(std::uint8_t* header, const FrameHeader& frame);

enum class FrameHeaderCheck {
    Ok,
    BodyTooLong,  // above kMaxFrameBodyBytes (negative lengths read as huge ones)
    UnknownType,  // not 1-4; such a frame is skipped by readers that can
};
FrameHeaderCheck CheckFrameHeader(const FrameHeader& frame);

}  // namespace strovik
