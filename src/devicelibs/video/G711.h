#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace strovik {

// G.711 mu-law, the audio of our frame format (8000 samples a second, mono, one byte a sample).
std::int16_t MuLawToLinear(std::uint8_t sample);
std::uint8_t LinearToMuLaw(std::int16_t sample);
// Decodes a whole frame body into pcm (resized to fit).
void DecodeMuLaw(const std::uint8_t* data, std::size_t length, std::vector<std::int16_t>& pcm);

}  // namespace strovik
