#include "devsim/media/ChannelPicture.h"

#include "devsim/media/BitmapFont.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace strovik::devsim {

namespace {

constexpr int kBandPeriod = 40;  // pixels; the loop moves the bands by a whole number of periods
constexpr int kBandSpeed = 4;    // pixels per picture
constexpr int kBandContrast = 12;
constexpr int kNoise = 10;

struct Yuv {
    std::uint8_t y, u, v;
};

// BT.601 limited range, as the encoder and decoders assume.
Yuv ToYuv(int r, int g, int b) {
    const auto y = static_cast<std::uint8_t>(16 + (66 * r + 129 * g + 25 * b + 128) / 256);
    const auto u = static_cast<std::uint8_t>(128 + (-38 * r - 74 * g + 112 * b + 128) / 256);
    const auto v = static_cast<std::uint8_t>(128 + (112 * r - 94 * g - 18 * b + 128) / 256);
    return {y, u, v};
}

// A dark, saturated colour that differs between channels and devices.
Yuv BackgroundOf(const StreamId& stream) {
    const std::size_t seed =
        std::hash<std::string>{}(stream.deviceName) + 7919u * static_cast<std::size_t>(stream.channelIndex);
    const int hue = static_cast<int>(seed % 360);
    const int sector = hue / 60;
    const int rising = (hue % 60) * 160 / 60;
    const int falling = 160 - rising;
    const int table[6][3] = {{160, rising, 0},  {falling, 160, 0}, {0, 160, rising},
                             {0, falling, 160}, {rising, 0, 160},  {160, 0, falling}};
    return ToYuv(table[sector][0] / 2 + 20, table[sector][1] / 2 + 20, table[sector][2] / 2 + 20);
}

void FillRect(AVFrame& frame, int x, int y, int width, int height, Yuv colour) {
    const int left = std::clamp(x, 0, frame.width) & ~1;
    const int top = std::clamp(y, 0, frame.height) & ~1;
    const int right = std::clamp(x + width, 0, frame.width) & ~1;
    const int bottom = std::clamp(y + height, 0, frame.height) & ~1;
    if (left >= right || top >= bottom) return;
    for (int row = top; row < bottom; ++row)
        std::memset(frame.data[0] + row * frame.linesize[0] + left, colour.y, right - left);
    for (int row = top / 2; row < bottom / 2; ++row) {
        std::memset(frame.data[1] + row * frame.linesize[1] + left / 2, colour.u, (right - left) / 2);
        std::memset(frame.data[2] + row * frame.linesize[2] + left / 2, colour.v, (right - left) / 2);
    }
}

// Texture like a camera's: diagonal bands drifting across the picture (motion everywhere) and a
// little sensor noise, so that pictures cost a decoder what real ones do. Both repeat with the loop.
void AddTexture(AVFrame& frame, int frameIndex) {
    const int shift = (frameIndex % kLoopFrames) * kBandSpeed;
    for (int y = 0; y < frame.height; ++y) {
        std::uint8_t* row = frame.data[0] + y * frame.linesize[0];
        for (int x = 0; x < frame.width; ++x) {
            const int band =
                ((x + y + shift) % kBandPeriod) < kBandPeriod / 2 ? kBandContrast : -kBandContrast;
            std::uint32_t noise = static_cast<std::uint32_t>(x) * 73856093u ^
                                  static_cast<std::uint32_t>(y) * 19349663u ^
                                  static_cast<std::uint32_t>(frameIndex) * 83492791u;
            noise = (noise ^ (noise >> 13)) * 0x5bd1e995u;
            const int grain = static_cast<int>((noise >> 24) % (2 * kNoise + 1)) - kNoise;
            row[x] = static_cast<std::uint8_t>(std::clamp(row[x] + band + grain, 16, 235));
        }
    }
}

}  // namespace

void PaintChannelPicture(const StreamId& stream, int frameIndex, AVFrame& frame) {
    FillRect(frame, 0, 0, frame.width, frame.height, BackgroundOf(stream));
    AddTexture(frame, frameIndex);
    const int scale = std::max(1, frame.height / 90);
    const int margin = 4 * scale;
    const int line = (kGlyphHeight + 3) * scale;
    char caption[64];
    std::snprintf(caption, sizeof caption, "CH %02d %s", stream.channelIndex + 1,
                  stream.kind == StreamKind::Main ? "MAIN" : "SUB");
    char size[32];
    std::snprintf(size, sizeof size, "%dX%d", frame.width, frame.height);
    DrawText(frame.data[0], frame.linesize[0], frame.width, frame.height, margin, margin, scale,
             stream.deviceName, 235);
    DrawText(frame.data[0], frame.linesize[0], frame.width, frame.height, margin, margin + line, scale * 2,
             caption, 235);
    DrawText(frame.data[0], frame.linesize[0], frame.width, frame.height, margin, margin + 3 * line, scale,
             size, 180);

    const int square = frame.height / 6;
    const int travel = frame.width + square;
    const int x = (frameIndex % kLoopFrames) * travel / kLoopFrames - square;
    FillRect(frame, x, frame.height - square - margin, square, square, ToYuv(240, 240, 240));
}

}  // namespace strovik::devsim
