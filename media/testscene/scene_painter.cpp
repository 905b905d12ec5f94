#include "media/testscene/scene_painter.h"

#include <algorithm>

#include "media/testscene/digit_font.h"
#include "media/testscene/frame_stamp.h"

namespace media {
namespace {

// 75% bars as on a broadcast test card: white, yellow, cyan, green, magenta, red, blue, black.
constexpr Rgb kBars[] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                         {191, 0, 191},   {191, 0, 0},   {0, 0, 191},   {0, 0, 0}};
constexpr int kBarCount = sizeof(kBars) / sizeof(kBars[0]);

void Put(uint8_t* p, Rgb c) {
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

void PaintBars(int width, int barsHeight, uint8_t* rgb) {
    for (int y = 0; y < barsHeight; ++y) {
        uint8_t* row = rgb + size_t(y) * size_t(width) * 3;
        for (int x = 0; x < width; ++x) Put(row + size_t(x) * 3, kBars[x * kBarCount / width]);
    }
}

// The gradient drifts with the frame number so that consecutive frames differ everywhere.
void PaintGradient(uint64_t number, int width, int top, int bottom, uint8_t* rgb) {
    const int shift = static_cast<int>(number * 3 % 256);
    for (int y = top; y < bottom; ++y) {
        uint8_t* row = rgb + size_t(y) * size_t(width) * 3;
        const int g = (y - top) * 255 / std::max(1, bottom - top - 1);
        for (int x = 0; x < width; ++x) {
            const int r = (x * 255 / std::max(1, width - 1) + shift) % 256;
            Put(row + size_t(x) * 3, {uint8_t(r), uint8_t(g), uint8_t(255 - r)});
        }
    }
}

void PaintBall(uint64_t number, int width, int top, int bottom, uint8_t* rgb) {
    const int radius = std::max(2, (bottom - top) / 4);
    const int travel = std::max(1, width - 2 * radius);
    // Back and forth across the picture, a step of 1/60 of the way per frame.
    const int64_t phase = static_cast<int64_t>(number % 120);
    const int64_t along = phase < 60 ? phase : 120 - phase;
    const int cx = radius + static_cast<int>(along * travel / 60);
    const int cy = (top + bottom) / 2;
    const Rgb colour = kBars[1 + number % (kBarCount - 2)];
    for (int y = std::max(top, cy - radius); y < std::min(bottom, cy + radius); ++y) {
        for (int x = std::max(0, cx - radius); x < std::min(width, cx + radius); ++x) {
            const int dx = x - cx;
            const int dy = y - cy;
            if (dx * dx + dy * dy <= radius * radius) {
                Put(rgb + (size_t(y) * size_t(width) + size_t(x)) * 3, colour);
            }
        }
    }
}

uint8_t Clamp(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

void ApplyLook(const SceneLook& look, int width, int rows, uint8_t* rgb) {
    if (look == SceneLook{}) return;
    const int red = look.gainPermille * look.redPermille / 1000;
    const int green = look.gainPermille;
    const int blue = look.gainPermille * look.bluePermille / 1000;
    for (size_t i = 0, n = size_t(width) * size_t(rows) * 3; i < n; i += 3) {
        rgb[i] = Clamp(rgb[i] * red / 1000 + look.brightness);
        rgb[i + 1] = Clamp(rgb[i + 1] * green / 1000 + look.brightness);
        rgb[i + 2] = Clamp(rgb[i + 2] * blue / 1000 + look.brightness);
    }
}

}  // namespace

void PaintTestScene(uint64_t number, int width, int height, uint8_t* rgb, const SceneLook& look) {
    const int barsHeight = height / 4;
    const int stampTop = height - std::max(2, height / 12);
    PaintBars(width, barsHeight, rgb);
    PaintGradient(number, width, barsHeight, stampTop, rgb);
    PaintBall(number, width, barsHeight, stampTop, rgb);
    ApplyLook(look, width, stampTop, rgb);

    // White digits on a black shadow, readable on any part of the gradient.
    const int scale = std::max(1, height / 40);
    const int x = scale * 2;
    const int y = barsHeight + scale * 2;
    DrawNumber(rgb, width, height, x + scale / 2 + 1, y + scale / 2 + 1, scale, number, {0, 0, 0});
    DrawNumber(rgb, width, height, x, y, scale, number, {255, 255, 255});

    DrawFrameStamp(rgb, width, height, number);
}

}  // namespace media
