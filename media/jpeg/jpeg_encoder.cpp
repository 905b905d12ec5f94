#include "media/jpeg/jpeg_encoder.h"

#include <string>

#include "media/jpeg/huffman_tables.h"
#include "media/jpeg/jpeg_markers.h"
#include "media/jpeg/pixel_convert.h"
#include "media/jpeg/turbo_handle.h"

namespace media {
namespace {

Error CheckSize(const Frame& frame) {
    if (frame.width <= 0 || frame.height <= 0 || (frame.format == PixelFormat::Yuyv && frame.width % 2 != 0)) {
        return {ErrorKind::BadFrame,
                "Frame has an impossible size " + std::to_string(frame.width) + "x" + std::to_string(frame.height)};
    }
    const size_t expected = UncompressedFrameBytes(frame.format, frame.width, frame.height);
    if (frame.data.size() != expected) {
        return {ErrorKind::BadFrame, "Frame holds " + std::to_string(frame.data.size()) +
                                         " bytes, its format and size need " + std::to_string(expected)};
    }
    return Error::none();
}

Error Failed(tjhandle handle) { return {ErrorKind::Io, "JPEG compression failed: " + TurboError(handle)}; }

}  // namespace

Error JpegEncoder::encode(const Frame& frame, int quality, std::span<const uint8_t>& jpeg) {
    if (frame.format == PixelFormat::Mjpeg) {
        if (Error e = CompleteCameraJpeg(frame.data, m_completed)) return e;
        // A recording's headers give its frames' size: a picture of another size would be
        // stored under a header that says otherwise.
        JpegLayout layout;
        if (Error e = ParseJpeg(m_completed, layout)) return e;
        if (layout.width != frame.width || layout.height != frame.height) {
            return {ErrorKind::BadFrame, "The JPEG image is " + std::to_string(layout.width) + "x" +
                                             std::to_string(layout.height) + " but the frame is " +
                                             std::to_string(frame.width) + "x" + std::to_string(frame.height)};
        }
        jpeg = m_completed;
        return Error::none();
    }
    if (Error e = CheckSize(frame)) return e;

    tjhandle handle = ThreadCompressor();
    // Compressing into a buffer of the worst-case size lets TurboJPEG write straight into ours.
    const size_t worstCase = tjBufSize(frame.width, frame.height, TJSAMP_422);
    if (m_outputSize < worstCase) {
        m_output.reset(new uint8_t[worstCase]);
        m_outputSize = worstCase;
    }
    unsigned char* out = m_output.get();
    unsigned long outSize = m_outputSize;
    int rc;
    if (frame.format == PixelFormat::Rgb24) {
        rc = tjCompress2(handle, frame.data.data(), frame.width, 0, frame.height, TJPF_RGB, &out, &outSize, TJSAMP_422,
                         quality, TJFLAG_NOREALLOC);
    } else {
        const size_t lumaSize = size_t(frame.width) * size_t(frame.height);
        m_planes.resize(lumaSize * 2);
        uint8_t* y = m_planes.data();
        uint8_t* u = y + lumaSize;
        uint8_t* v = u + lumaSize / 2;
        YuyvToJpegPlanes(frame.data.data(), frame.width, frame.height, y, u, v);
        const unsigned char* planePtrs[3] = {y, u, v};
        const int strides[3] = {frame.width, frame.width / 2, frame.width / 2};
        rc = tjCompressFromYUVPlanes(handle, planePtrs, frame.width, strides, frame.height, TJSAMP_422, &out, &outSize,
                                     quality, TJFLAG_NOREALLOC);
    }
    if (rc != 0) return Failed(handle);
    jpeg = std::span<const uint8_t>(m_output.get(), outSize);
    return Error::none();
}

Error EncodeJpeg(const Frame& frame, int quality, std::vector<uint8_t>& jpeg) {
    JpegEncoder encoder;
    std::span<const uint8_t> encoded;
    if (Error e = encoder.encode(frame, quality, encoded)) return e;
    jpeg.assign(encoded.begin(), encoded.end());
    return Error::none();
}

}  // namespace media
