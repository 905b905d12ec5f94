// Resampling Rgb24 pictures to the size a view shows them at.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/common/frame.h"

namespace media {

// A rectangle of Rgb24 pixels inside a larger buffer: rows `stride` bytes apart.
struct RgbView {
    uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    size_t stride = 0;
};

// A whole Rgb24 frame as a view (the frame must already hold its pixels).
RgbView WholeFrame(Frame& rgb);

// Resamples the Rgb24 frame `rgb` to fill `out` (bilinear, pixel centres aligned, after halving
// by four-pixel means while it is more than twice as large), mirrored left to right when asked.
void ScaleRgb24(const Frame& rgb, bool mirror, RgbView out);

}  // namespace media
