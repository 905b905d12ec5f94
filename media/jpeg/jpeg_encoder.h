// Compressing frames to baseline JPEG for MJPEG recordings.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "media/common/frame.h"

namespace media {

constexpr int kDefaultJpegQuality = 90;

// Compresses Rgb24 or Yuyv frames (4:2:2 chroma, the sampling cameras use for MJPEG). Yuyv is
// compressed from its own planes, without a detour through RGB. An Mjpeg frame is not
// recompressed: it is checked and completed as CompleteCameraJpeg does. Fails with BadFrame when
// the data does not match the frame's format and size, a JPEG's own size included.
//
// An encoder keeps its buffers from one frame to the next: a fresh worst-case output buffer
// alone would cost 8 MB of zeroing per 1080p frame.
class JpegEncoder {
public:
    // The result stays valid until the next call.
    Error encode(const Frame& frame, int quality, std::span<const uint8_t>& jpeg);

private:
    std::unique_ptr<uint8_t[]> m_output;  // never zeroed: TurboJPEG writes before we read
    size_t m_outputSize = 0;
    std::vector<uint8_t> m_planes;
    std::vector<uint8_t> m_completed;
};

// One frame alone, into `jpeg`.
Error EncodeJpeg(const Frame& frame, int quality, std::vector<uint8_t>& jpeg);

}  // namespace media
