#include "media/jpeg/jpeg_decoder.h"

#include <algorithm>
#include <string>

#include "media/jpeg/pixel_convert.h"
#include "media/jpeg/turbo_handle.h"

namespace media {
namespace {

// Huffman coding spends at least one bit on every 8x8 block of every component: a JPEG of n
// bytes holds at most 512 n pixels. A header claiming more is damaged or hostile, and believing
// it would cost the claimed size in memory before the decoder finds out.
constexpr uint64_t kMostPixelsPerByte = 512;

Error Failed(tjhandle handle) { return {ErrorKind::BadFrame, "JPEG decoding failed: " + TurboError(handle)}; }

Error ReadHeader(tjhandle handle, std::span<const uint8_t> jpeg, int& width, int& height) {
    int subsampling = 0;
    int colorspace = 0;
    if (tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &width, &height, &subsampling, &colorspace) != 0) {
        return Failed(handle);
    }
    if (uint64_t(width) * uint64_t(height) > jpeg.size() * kMostPixelsPerByte) {
        return {ErrorKind::BadFrame, "JPEG image claims " + std::to_string(width) + "x" + std::to_string(height) +
                                         " pixels in only " + std::to_string(jpeg.size()) + " bytes"};
    }
    return Error::none();
}

tjscalingfactor PickScale(int width, int height, int wantWidth, int wantHeight) {
    tjscalingfactor best{1, 1};
    if (wantWidth <= 0 || wantHeight <= 0) return best;
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    for (int i = 0; i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num > f.denom) continue;  // enlarging is the display's job
        const int w = TJSCALED(width, f);
        const int h = TJSCALED(height, f);
        if (w >= wantWidth && h >= wantHeight && w < TJSCALED(width, best)) best = f;
    }
    return best;
}

}  // namespace

Error DecodeJpegToRgb(std::span<const uint8_t> jpeg, Frame& rgb, int wantWidth, int wantHeight) {
    tjhandle handle = ThreadDecompressor();
    int width = 0;
    int height = 0;
    if (Error e = ReadHeader(handle, jpeg, width, height)) return e;
    const tjscalingfactor scale = PickScale(width, height, wantWidth, wantHeight);
    const int outWidth = TJSCALED(width, scale);
    const int outHeight = TJSCALED(height, scale);

    rgb.format = PixelFormat::Rgb24;
    rgb.width = outWidth;
    rgb.height = outHeight;
    rgb.data.resize(size_t(outWidth) * size_t(outHeight) * 3);
    if (tjDecompress2(handle, jpeg.data(), jpeg.size(), rgb.data.data(), outWidth, 0, outHeight, TJPF_RGB, 0) != 0) {
        return Failed(handle);
    }
    return Error::none();
}

Error DecodeJpegToDib(std::span<const uint8_t> jpeg, int width, int height, std::vector<uint8_t>& dib) {
    tjhandle handle = ThreadDecompressor();
    int jpegWidth = 0;
    int jpegHeight = 0;
    if (Error e = ReadHeader(handle, jpeg, jpegWidth, jpegHeight)) return e;
    if (jpegWidth != width || jpegHeight != height) {
        return {ErrorKind::BadFrame, "JPEG image is " + std::to_string(jpegWidth) + "x" + std::to_string(jpegHeight) +
                                         ", expected " + std::to_string(width) + "x" + std::to_string(height)};
    }
    const int stride = static_cast<int>(DibRowStride(width));
    dib.resize(size_t(stride) * size_t(height));
    if (tjDecompress2(handle, jpeg.data(), jpeg.size(), dib.data(), width, stride, height, TJPF_BGR, TJFLAG_BOTTOMUP) !=
        0) {
        return Failed(handle);
    }
    // The decoder leaves the row padding alone, and a reused buffer holds anything there.
    const size_t row = size_t(width) * 3;
    for (size_t at = row; at < dib.size(); at += size_t(stride)) {
        std::fill(dib.begin() + at, dib.begin() + at + (stride - row), 0);
    }
    return Error::none();
}

}  // namespace media
