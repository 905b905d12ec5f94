#include "media/testscene/digit_font.h"

#include <string>

namespace media {
namespace {

// One row per byte, the glyph's 5 columns in the low bits, leftmost column in bit 4.
constexpr uint8_t kGlyphs[10][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},  // 0
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},  // 1
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},  // 2
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},  // 3
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},  // 4
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},  // 5
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},  // 6
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},  // 7
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},  // 8
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},  // 9
};

void FillRect(uint8_t* rgb, int width, int height, int x0, int y0, int w, int h, Rgb c) {
    for (int y = y0 < 0 ? 0 : y0; y < y0 + h && y < height; ++y) {
        for (int x = x0 < 0 ? 0 : x0; x < x0 + w && x < width; ++x) {
            uint8_t* p = rgb + (size_t(y) * size_t(width) + size_t(x)) * 3;
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    }
}

}  // namespace

void DrawNumber(uint8_t* rgb, int width, int height, int x, int y, int scale, uint64_t number, Rgb colour) {
    const std::string text = std::to_string(number);
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t* glyph = kGlyphs[text[i] - '0'];
        const int cellX = x + int(i) * kDigitCellWidth * scale;
        for (int row = 0; row < 7; ++row) {
            for (int col = 0; col < 5; ++col) {
                if (glyph[row] & (0x10 >> col)) {
                    FillRect(rgb, width, height, cellX + col * scale, y + row * scale, scale, scale, colour);
                }
            }
        }
    }
}

}  // namespace media
