#include "media/stills/still_frame.h"

#include "media/jpeg/jpeg_decoder.h"
#include "media/jpeg/jpeg_markers.h"
#include "media/view/rgb_scale.h"

namespace media {

FrameSize TakeFrameSize(FrameSize still, int takeWidth) {
    if (still.width <= 0 || still.height <= 0 || takeWidth <= 0) return {};
    const int64_t twiceHeight = (int64_t(takeWidth) * still.height * 2 + still.width) / (2 * int64_t(still.width));
    // Rounded to the nearest even number, never below two rows.
    const int64_t height = std::max<int64_t>(2, (twiceHeight + 1) / 2 * 2);
    return {takeWidth, int(height)};
}

Error StillToFrame(std::span<const uint8_t> jpeg, int takeWidth, Frame& frame) {
    JpegLayout layout;
    if (Error e = ParseJpeg(jpeg, layout)) return e;
    const FrameSize size = TakeFrameSize({layout.width, layout.height}, takeWidth);
    if (size.width == 0) return {ErrorKind::BadFrame, "The still has no size"};
    Frame decoded;
    if (Error e = DecodeJpegToRgb(jpeg, decoded, size.width, size.height)) return e;
    if (decoded.width == size.width && decoded.height == size.height) {
        frame = std::move(decoded);
        return Error::none();
    }
    frame.format = PixelFormat::Rgb24;
    frame.width = size.width;
    frame.height = size.height;
    frame.data.resize(size_t(size.width) * size_t(size.height) * 3);
    ScaleRgb24(decoded, false, WholeFrame(frame));
    return Error::none();
}

namespace {

// `still` is null for a frame without one.
Error Record(StillsFolder& stills, AviWriter& avi, const Still* still, const Frame& frame, uint32_t microSecPerFrame) {
    const bool first = avi.frameCount() == 0;
    if (still) {
        if (Error e = stills.append(*still)) return e;
    }
    Error e = first ? stills.beginPublish() : Error::none();
    if (!e) e = avi.appendFrame(frame, microSecPerFrame);
    if (e) {
        if (first) (void)stills.rollback();
        if (still) (void)stills.reconcile(avi.frameCount());
        return e;
    }
    // Still and frame are both on disk now: a journal the commit could not remove changes nothing
    // when the next start finishes it again.
    if (first) (void)stills.commit();
    return Error::none();
}

}  // namespace

Error RecordStill(StillsFolder& stills, AviWriter& avi, const Still& still, const Frame& frame,
                  uint32_t microSecPerFrame) {
    return Record(stills, avi, &still, frame, microSecPerFrame);
}

Error RecordFrame(StillsFolder& stills, AviWriter& avi, const Frame& frame, uint32_t microSecPerFrame) {
    return Record(stills, avi, nullptr, frame, microSecPerFrame);
}

}  // namespace media
