#include "media/view/rgb_scale.h"

#include <algorithm>
#include <vector>

namespace media {
namespace {

// For each output position, packed in one word: where the first of the two source pixels (or
// rows) it lies between is, in `unit`s (upper bits), and the weight of the second, 0..256 (lower
// nine bits).
constexpr int kWeightBits = 9;

std::vector<uint32_t> MakeTaps(int from, int to, bool mirror, uint32_t unit) {
    std::vector<uint32_t> taps(static_cast<size_t>(to));
    // Source position of output centre i, in 1/65536 pixels: (i + 0.5) * from / to - 0.5.
    for (int i = 0; i < to; ++i) {
        const int at = mirror ? to - 1 - i : i;
        int64_t pos = ((int64_t(at) << 16) + (1 << 15)) * from / to - (1 << 15);
        pos = std::clamp<int64_t>(pos, 0, int64_t(from - 1) << 16);
        int first = int(pos >> 16);
        int weight = int((pos & 0xFFFF) + 128) >> 8;
        if (first >= from - 1) {
            first = std::max(0, from - 2);
            weight = from > 1 ? 256 : 0;
        }
        taps[size_t(i)] = (uint32_t(first) * unit << kWeightBits) | uint32_t(weight);
    }
    return taps;
}

uint32_t TapFirst(uint32_t tap) { return tap >> kWeightBits; }
uint32_t TapWeight(uint32_t tap) { return tap & ((1u << kWeightBits) - 1); }

// Two source rows blended into one (weight 0..256 of the second).
void BlendRows(const uint8_t* __restrict a, const uint8_t* __restrict b, uint32_t weight, size_t values,
               uint8_t* __restrict out) {
    const uint16_t second = uint16_t(weight), first = uint16_t(256 - weight);
    for (size_t i = 0; i < values; ++i) out[i] = uint8_t((a[i] * first + b[i] * second + 128) >> 8);
}

// A row resampled across.
void ScaleRow(const uint8_t* __restrict src, const std::vector<uint32_t>& taps, uint8_t* __restrict out) {
    const size_t count = taps.size();
    for (size_t x = 0; x < count; ++x) {
        const uint8_t* a = src + TapFirst(taps[x]);
        const uint32_t second = TapWeight(taps[x]), first = 256 - second;
        out[x * 3 + 0] = uint8_t((a[0] * first + a[3] * second + 128) >> 8);
        out[x * 3 + 1] = uint8_t((a[1] * first + a[4] * second + 128) >> 8);
        out[x * 3 + 2] = uint8_t((a[2] * first + a[5] * second + 128) >> 8);
    }
}

// Each pixel of `to` the mean of a square of four of `from`'s.
void HalveRgb24(const Frame& from, Frame& to) {
    to.format = PixelFormat::Rgb24;
    to.width = from.width / 2;
    to.height = from.height / 2;
    to.data.resize(size_t(to.width) * size_t(to.height) * 3);
    const size_t fromValues = size_t(from.width) * 3, toValues = size_t(to.width) * 3;
    for (int y = 0; y < to.height; ++y) {
        const uint8_t* __restrict top = from.data.data() + size_t(y) * 2 * fromValues;
        const uint8_t* __restrict bottom = top + fromValues;
        uint8_t* __restrict o = to.data.data() + size_t(y) * toValues;
        for (size_t x = 0; x < toValues; x += 3) {
            const size_t a = x * 2;
            for (size_t c = 0; c < 3; ++c) {
                o[x + c] = uint8_t((top[a + c] + top[a + 3 + c] + bottom[a + c] + bottom[a + 3 + c] + 2) >> 2);
            }
        }
    }
}

}  // namespace

RgbView WholeFrame(Frame& rgb) { return {rgb.data.data(), rgb.width, rgb.height, size_t(rgb.width) * 3}; }

void ScaleRgb24(const Frame& original, bool mirror, RgbView out) {
    if (out.width <= 0 || out.height <= 0 || original.width <= 0 || original.height <= 0) return;
    // Shrinking by more than two would skip source pixels and alias fine detail (a view scaling
    // down another view's larger decode): the picture is halved first, until at most twice the
    // size asked for. The halves are the drawing thread's own, kept for its next picture.
    thread_local Frame halves[2];
    const Frame* source = &original;
    for (int next = 0; source->width > 2 * out.width && source->height > 2 * out.height; next ^= 1) {
        HalveRgb24(*source, halves[next]);
        source = &halves[next];
    }
    const Frame& rgb = *source;
    const std::vector<uint32_t> across = MakeTaps(rgb.width, out.width, mirror, 3);
    const std::vector<uint32_t> down = MakeTaps(rgb.height, out.height, false, 1);
    const size_t sourceValues = size_t(rgb.width) * 3;
    // Down first, on whole rows (cheap, and the loop vectorises), then across on the fewer
    // output rows. A source one pixel wide is read as two equal pixels.
    std::vector<uint8_t> row(std::max<size_t>(sourceValues, 6));
    for (int y = 0; y < out.height; ++y) {
        const uint32_t tap = down[size_t(y)];
        const uint8_t* top = rgb.data.data() + size_t(TapFirst(tap)) * sourceValues;
        const uint8_t* bottom = rgb.height > 1 ? top + sourceValues : top;
        BlendRows(top, bottom, TapWeight(tap), sourceValues, row.data());
        if (rgb.width == 1) std::copy(row.begin(), row.begin() + 3, row.begin() + 3);
        ScaleRow(row.data(), across, out.data + size_t(y) * out.stride);
    }
}

}  // namespace media
