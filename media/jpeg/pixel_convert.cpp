#include "media/jpeg/pixel_convert.h"

#include <array>
#include <cstring>

namespace media {
namespace {

uint8_t Clamp(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Integer BT.601 coefficients scaled by 256; the same ones in both directions keep a
// round trip within a couple of steps per channel.
void YuvToRgb(int y, int u, int v, uint8_t* rgb) {
    const int c = 298 * (y - 16) + 128;
    const int d = u - 128;
    const int e = v - 128;
    rgb[0] = Clamp((c + 409 * e) >> 8);
    rgb[1] = Clamp((c - 100 * d - 208 * e) >> 8);
    rgb[2] = Clamp((c + 516 * d) >> 8);
}

int LumaOf(const uint8_t* p) { return ((66 * p[0] + 129 * p[1] + 25 * p[2] + 128) >> 8) + 16; }
int CbOf(int r, int g, int b) { return ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128; }
int CrOf(int r, int g, int b) { return ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128; }

struct RangeTables {
    std::array<uint8_t, 256> luma{};
    std::array<uint8_t, 256> chroma{};
    RangeTables() {
        for (int i = 0; i < 256; ++i) {
            luma[i] = Clamp(((i - 16) * 255 + 109) / 219);
            chroma[i] = Clamp(128 + ((i - 128) * 255 + (i >= 128 ? 112 : -112)) / 224);
        }
    }
};

const RangeTables& LimitedToFullRange() {
    static const RangeTables tables;
    return tables;
}

}  // namespace

size_t UncompressedFrameBytes(PixelFormat format, int width, int height) {
    const size_t pixels = size_t(width) * size_t(height);
    switch (format) {
    case PixelFormat::Rgb24:
        return pixels * 3;
    case PixelFormat::Yuyv:
        return pixels * 2;
    case PixelFormat::Mjpeg:
        return 0;
    }
    return 0;
}

size_t DibRowStride(int width) { return (size_t(width) * 3 + 3) & ~size_t(3); }

void YuyvToRgb24(const uint8_t* yuyv, int width, int height, uint8_t* rgb) {
    const size_t pairs = size_t(width) * size_t(height) / 2;
    for (size_t i = 0; i < pairs; ++i, yuyv += 4, rgb += 6) {
        YuvToRgb(yuyv[0], yuyv[1], yuyv[3], rgb);
        YuvToRgb(yuyv[2], yuyv[1], yuyv[3], rgb + 3);
    }
}

void Rgb24ToYuyv(const uint8_t* rgb, int width, int height, uint8_t* yuyv) {
    const size_t pairs = size_t(width) * size_t(height) / 2;
    for (size_t i = 0; i < pairs; ++i, rgb += 6, yuyv += 4) {
        // Chroma is shared by the pair: take it from their average colour.
        const int r = (rgb[0] + rgb[3] + 1) / 2;
        const int g = (rgb[1] + rgb[4] + 1) / 2;
        const int b = (rgb[2] + rgb[5] + 1) / 2;
        yuyv[0] = Clamp(LumaOf(rgb));
        yuyv[1] = Clamp(CbOf(r, g, b));
        yuyv[2] = Clamp(LumaOf(rgb + 3));
        yuyv[3] = Clamp(CrOf(r, g, b));
    }
}

void YuyvToJpegPlanes(const uint8_t* yuyv, int width, int height, uint8_t* y, uint8_t* u, uint8_t* v) {
    const RangeTables& t = LimitedToFullRange();
    const size_t pairs = size_t(width) * size_t(height) / 2;
    for (size_t i = 0; i < pairs; ++i, yuyv += 4) {
        *y++ = t.luma[yuyv[0]];
        *u++ = t.chroma[yuyv[1]];
        *y++ = t.luma[yuyv[2]];
        *v++ = t.chroma[yuyv[3]];
    }
}

void Rgb24ToDib(const uint8_t* rgb, int width, int height, uint8_t* dib) {
    const size_t stride = DibRowStride(width);
    for (int row = 0; row < height; ++row) {
        const uint8_t* src = rgb + size_t(height - 1 - row) * size_t(width) * 3;
        uint8_t* dst = dib + size_t(row) * stride;
        for (int x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
        std::memset(dst, 0, stride - size_t(width) * 3);
    }
}

void DibToRgb24(const uint8_t* dib, int width, int height, uint8_t* rgb, bool bottomUp) {
    const size_t stride = DibRowStride(width);
    for (int row = 0; row < height; ++row) {
        const uint8_t* src = dib + size_t(bottomUp ? height - 1 - row : row) * stride;
        uint8_t* dst = rgb + size_t(row) * size_t(width) * 3;
        for (int x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
}

}  // namespace media
