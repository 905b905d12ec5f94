// Turning any frame into RGB pixels, at full size or at roughly the size a preview shows.
#pragma once

#include <cstdint>
#include <vector>

#include "media/common/frame.h"

namespace media {

// Any frame as top-down Rgb24 at its own size.
Error FrameToRgb24(const Frame& frame, Frame& rgb);

// Any frame as the rows of a bottom-up 24-bit DIB, what an uncompressed AVI stores.
Error FrameToDib(const Frame& frame, std::vector<uint8_t>& dib);

// Any frame as Rgb24 of roughly wantWidth x wantHeight, never smaller than that unless the
// frame is: MJPEG is decoded at a reduced scale, the others are subsampled by a whole factor.
// Cheap enough to run for every frame on a worker thread; the display does the final scaling.
Error DecodePreview(const Frame& frame, int wantWidth, int wantHeight, Frame& rgb);

}  // namespace media
