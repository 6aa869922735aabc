#include "devicelibs/video/G711.h"

namespace strovik {

namespace {
constexpr int kBias = 0x84;
constexpr int kClip = 32635;
}  // namespace

std::int16_t MuLawToLinear(std::uint8_t sample) {
    const int inverted = ~sample & 0xFF;
    const int magnitude = (((inverted & 0x0F) << 3) + kBias) << ((inverted & 0x70) >> 4);
    return static_cast<std::int16_t>((inverted & 0x80) != 0 ? kBias - magnitude : magnitude - kBias);
}

std::uint8_t LinearToMuLaw(std::int16_t sample) {
    int value = sample;
    const int sign = value < 0 ? 0x80 : 0;
    if (sign != 0) value = -value;
    if (value > kClip) value = kClip;
    value += kBias;
    int exponent = 7;
    for (int mask = 0x4000; (value & mask) == 0 && exponent > 0; mask >>= 1) --exponent;
    const int mantissa = (value >> (exponent + 3)) & 0x0F;
    return static_cast<std::uint8_t>(~(sign | (exponent << 4) | mantissa));
}

void DecodeMuLaw(const std::uint8_t* data, std::size_t length, std::vector<std::int16_t>& pcm) {
    pcm.resize(length);
    for (std::size_t i = 0; i < length; ++i) pcm[i] = MuLawToLinear(data[i]);
}

}  // namespace strovik
