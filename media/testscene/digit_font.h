// Large decimal digits drawn from a tiny bitmap font, so a person can read the frame number.
#pragma once

#include <cstdint>

namespace media {

struct Rgb {
    uint8_t r, g, b;
};

// Glyph cells are 6 x 8 font pixels (5 x 7 glyph plus spacing), each `scale` image pixels wide.
constexpr int kDigitCellWidth = 6;
constexpr int kDigitCellHeight = 8;

// Draws `number` in decimal with its top-left corner at (x, y) on top-down RGB rows, clipped to
// the image.
void DrawNumber(uint8_t* rgb, int width, int height, int x, int y, int scale, uint64_t number, Rgb colour);

}  // namespace media
