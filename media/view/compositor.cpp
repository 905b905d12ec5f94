#include "media/view/compositor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "media/jpeg/pixel_convert.h"
#include "media/jpeg/preview.h"

namespace media {

std::vector<int> OnionWeights(int frames, int opacityPercent) {
    frames = std::clamp(frames, 0, kMaxOnionFrames);
    const int onionShare = int(std::lround(256 * std::clamp(opacityPercent, 0, 100) / 100.0));
    // The onion skin as a whole takes `opacityPercent` of the pixel, split n : n-1 : ... : 1 from
    // the newest frame to the oldest, so that every frame asked for stays visible.
    const int parts = frames * (frames + 1) / 2;
    std::vector<int> weights(static_cast<size_t>(frames));
    int total = 0;
    for (int i = 0; i < frames; ++i) {
        const int weight = int(std::lround(double(onionShare) * (frames - i) / parts));
        weights[size_t(i)] = std::min(weight, 256 - total);
        total += weights[size_t(i)];
    }
    return weights;
}

OnionSkin SumOnionLayers(std::span<const Frame* const> layers, std::span<const int> weights) {
    OnionSkin onion;
    const size_t count = std::min(layers.size(), weights.size());
    if (count == 0) return onion;
    onion.width = layers[0]->width;
    onion.height = layers[0]->height;
    const size_t values = size_t(onion.width) * size_t(onion.height) * 3;
    // Weights sum to at most 256, so every sum fits 16 bits: the loops vectorise well.
    onion.sum.assign(values, 128);
    int total = 0;
    for (size_t k = 0; k < count; ++k) {
        const uint8_t* layer = layers[k]->data.data();
        const uint16_t weight = uint16_t(weights[k]);
        uint16_t* sum = onion.sum.data();
        for (size_t i = 0; i < values; ++i) sum[i] = uint16_t(sum[i] + layer[i] * weight);
        total += weights[k];
    }
    onion.pictureShare = uint16_t(256 - total);
    return onion;
}

void LayOnionSkin(const OnionSkin& onion, RgbView out) {
    if (onion.empty() || onion.width != out.width || onion.height != out.height) return;
    const size_t values = size_t(out.width) * 3;
    const uint16_t share = onion.pictureShare;
    for (int y = 0; y < out.height; ++y) {
        uint8_t* __restrict o = out.data + size_t(y) * out.stride;
        const uint16_t* __restrict sum = onion.sum.data() + size_t(y) * values;
        for (size_t i = 0; i < values; ++i) o[i] = uint8_t(uint16_t(o[i] * share + sum[i]) >> 8);
    }
}

Error PrepareOnionLayer(const Frame& captured, FrameSize size, bool mirror, Frame& layer) {
    Frame rgb;
    if (Error e = DecodePreview(captured, size.width, size.height, rgb)) return e;
    ScaleOnionLayer(rgb, size, mirror, layer);
    return Error::none();
}

void ScaleOnionLayer(const Frame& rgb, FrameSize size, bool mirror, Frame& layer) {
    layer.format = PixelFormat::Rgb24;
    layer.width = size.width;
    layer.height = size.height;
    layer.sequence = rgb.sequence;
    layer.data.resize(UncompressedFrameBytes(PixelFormat::Rgb24, size.width, size.height));
    ScaleRgb24(rgb, mirror, WholeFrame(layer));
}

void ComposeView(const Frame& picture, PictureRect rect, bool mirror, const OnionSkin& onion, RgbView canvas) {
    const size_t rowBytes = size_t(canvas.width) * 3;
    for (int y = 0; y < canvas.height; ++y) {
        uint8_t* row = canvas.data + size_t(y) * canvas.stride;
        if (y < rect.y || y >= rect.y + rect.height) {
            std::memset(row, 0, rowBytes);
        } else {
            std::memset(row, 0, size_t(rect.x) * 3);
            const size_t right = size_t(rect.x + rect.width) * 3;
            std::memset(row + right, 0, rowBytes - right);
        }
    }
    const RgbView inside{canvas.data + size_t(rect.y) * canvas.stride + size_t(rect.x) * 3, rect.width, rect.height,
                         canvas.stride};
    ScaleRgb24(picture, mirror, inside);
    LayOnionSkin(onion, inside);
}

}  // namespace media
