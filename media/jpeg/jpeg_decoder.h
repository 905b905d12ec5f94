// Decompressing JPEG images: to RGB for checks and previews, to DIB rows for uncompressed AVIs.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "media/common/frame.h"

namespace media {

// Decodes to a top-down Rgb24 frame. Given a wanted size, decodes at the smallest of TurboJPEG's
// scaling factors (1/8, 1/4, 3/8, ...) whose result still covers that size: reduced-size
// decoding skips most of the work, which is what a live preview needs. 0 means full size.
// Any decoder complaint, warnings about damaged data included, fails with BadFrame.
Error DecodeJpegToRgb(std::span<const uint8_t> jpeg, Frame& rgb, int wantWidth = 0, int wantHeight = 0);

// Decodes to the bottom-up BGR rows of a 24-bit DIB (DibRowStride bytes each). The image must be
// width x height: a recording keeps one size.
Error DecodeJpegToDib(std::span<const uint8_t> jpeg, int width, int height, std::vector<uint8_t>& dib);

}  // namespace media
