#include "media/jpeg/preview.h"

#include <algorithm>
#include <string>
#include <utility>

#include "media/jpeg/jpeg_decoder.h"
#include "media/jpeg/pixel_convert.h"

namespace media {
namespace {

Error CheckUncompressed(const Frame& frame) {
    const size_t expected = UncompressedFrameBytes(frame.format, frame.width, frame.height);
    if (frame.width <= 0 || frame.height <= 0 || frame.data.size() != expected) {
        return {ErrorKind::BadFrame, "Frame of " + std::to_string(frame.width) + "x" + std::to_string(frame.height) +
                                         " holds " + std::to_string(frame.data.size()) + " bytes"};
    }
    return Error::none();
}

// Picks every step-th pixel of every step-th row.
void Subsample(const Frame& frame, int step, Frame& rgb) {
    rgb.width = frame.width / step;
    rgb.height = frame.height / step;
    rgb.data.resize(size_t(rgb.width) * size_t(rgb.height) * 3);
    uint8_t* out = rgb.data.data();
    for (int y = 0; y < rgb.height; ++y) {
        const size_t row = size_t(y) * size_t(step);
        for (int x = 0; x < rgb.width; ++x, out += 3) {
            const size_t col = size_t(x) * size_t(step);
            if (frame.format == PixelFormat::Rgb24) {
                const uint8_t* p = frame.data.data() + (row * size_t(frame.width) + col) * 3;
                std::copy(p, p + 3, out);
            } else {
                // A YUYV pair shares its chroma: convert the pair holding this pixel.
                const uint8_t* pair = frame.data.data() + (row * size_t(frame.width) + (col & ~size_t(1))) * 2;
                uint8_t both[6];
                YuyvToRgb24(pair, 2, 1, both);
                std::copy(both + (col & 1) * 3, both + (col & 1) * 3 + 3, out);
            }
        }
    }
}

}  // namespace

Error FrameToRgb24(const Frame& frame, Frame& rgb) {
    rgb.sequence = frame.sequence;
    rgb.exposureStartNs = frame.exposureStartNs;
    if (frame.format == PixelFormat::Mjpeg) return DecodeJpegToRgb(frame.data, rgb);
    if (Error e = CheckUncompressed(frame)) return e;
    rgb.format = PixelFormat::Rgb24;
    rgb.width = frame.width;
    rgb.height = frame.height;
    if (frame.format == PixelFormat::Rgb24) {
        rgb.data = frame.data;
    } else {
        rgb.data.resize(size_t(frame.width) * size_t(frame.height) * 3);
        YuyvToRgb24(frame.data.data(), frame.width, frame.height, rgb.data.data());
    }
    return Error::none();
}

Error FrameToDib(const Frame& frame, std::vector<uint8_t>& dib) {
    if (frame.format == PixelFormat::Mjpeg) {
        return DecodeJpegToDib(frame.data, frame.width, frame.height, dib);
    }
    if (Error e = CheckUncompressed(frame)) return e;
    const size_t stride = DibRowStride(frame.width);
    const size_t row = size_t(frame.width) * 3;
    dib.resize(stride * size_t(frame.height));
    if (frame.format == PixelFormat::Rgb24) {
        Rgb24ToDib(frame.data.data(), frame.width, frame.height, dib.data());
        return Error::none();
    }
    // Each row is converted where it goes and turned from RGB to BGR there: no frame-sized
    // buffer in between.
    for (int y = 0; y < frame.height; ++y) {
        uint8_t* dst = dib.data() + size_t(frame.height - 1 - y) * stride;
        YuyvToRgb24(frame.data.data() + size_t(y) * size_t(frame.width) * 2, frame.width, 1, dst);
        for (size_t x = 0; x < row; x += 3) std::swap(dst[x], dst[x + 2]);
        std::fill(dst + row, dst + stride, 0);
    }
    return Error::none();
}

Error DecodePreview(const Frame& frame, int wantWidth, int wantHeight, Frame& rgb) {
    rgb.sequence = frame.sequence;
    rgb.exposureStartNs = frame.exposureStartNs;
    if (frame.format == PixelFormat::Mjpeg) {
        return DecodeJpegToRgb(frame.data, rgb, wantWidth, wantHeight);
    }
    if (Error e = CheckUncompressed(frame)) return e;
    int step = 1;
    if (wantWidth > 0 && wantHeight > 0) {
        step = std::max(1, std::min(frame.width / wantWidth, frame.height / wantHeight));
    }
    rgb.format = PixelFormat::Rgb24;
    Subsample(frame, step, rgb);
    return Error::none();
}

}  // namespace media
