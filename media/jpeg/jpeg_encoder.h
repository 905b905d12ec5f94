// Compressing frames to baseline JPEG for MJPEG recordings.
#pragma once

#include <cstdint>
#include <vector>

#include "media/common/frame.h"

namespace media {

constexpr int kDefaultJpegQuality = 90;

// Compresses an Rgb24 or Yuyv frame (4:2:2 chroma, the sampling cameras use for MJPEG). Yuyv is
// compressed from its own planes, without a detour through RGB. An Mjpeg frame is not
// recompressed: it is checked and completed as CompleteCameraJpeg does. Fails with BadFrame when
// the data does not match the frame's format and size.
Error EncodeJpeg(const Frame& frame, int quality, std::vector<uint8_t>& jpeg);

}  // namespace media
