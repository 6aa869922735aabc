#pragma once

#include <cstdint>
#include <string_view>

namespace strovik::devsim {

// A 5 x 7 pixel font for the captions burnt into simulated pictures: digits, capital letters
// (small letters are drawn as capitals) and a few signs; anything else is drawn as "?".
inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
inline constexpr int kGlyphAdvance = kGlyphWidth + 1;

// Rows of the glyph, top first; bit 4 is the leftmost pixel.
const std::uint8_t* GlyphRows(char character);

// Draws text into an 8-bit plane (the luma of a picture) at (x, y), each font pixel scale x scale
// plane pixels, clipped to the plane.
void DrawText(std::uint8_t* plane, int stride, int width, int height, int x, int y, int scale,
              std::string_view text, std::uint8_t value);

}  // namespace strovik::devsim
