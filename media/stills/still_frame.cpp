#include "media/stills/still_frame.h"

#include <functional>
#include <mutex>

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

// Held only while the take changes: its readers need not wait for a still's durable write.
std::unique_lock<std::mutex> Changing(std::mutex* takeLock) {
    return takeLock ? std::unique_lock(*takeLock) : std::unique_lock<std::mutex>();
}

// `still` is null for a frame without one.
Error Record(StillsFolder& stills, TakeEditor& avi, const Still* still, const Frame& frame, uint32_t microSecPerFrame,
             std::mutex* takeLock) {
    const bool first = avi.frameCount() == 0;
    if (still) {
        if (Error e = stills.append(*still)) return e;
    }
    Error e = first ? stills.beginPublish() : Error::none();
    if (!e) {
        const std::unique_lock<std::mutex> changing = Changing(takeLock);
        e = avi.appendFrame(frame, microSecPerFrame);
    }
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

Error RecordStill(StillsFolder& stills, TakeEditor& avi, const Still& still, const Frame& frame,
                  uint32_t microSecPerFrame, std::mutex* takeLock) {
    return Record(stills, avi, &still, frame, microSecPerFrame, takeLock);
}

Error RecordFrame(StillsFolder& stills, TakeEditor& avi, const Frame& frame, uint32_t microSecPerFrame) {
    return Record(stills, avi, nullptr, frame, microSecPerFrame, nullptr);
}

namespace {

// The stills' change is begun; `edit` changes the take; the stills follow what it did.
Error Edit(StillsFolder& stills, Error begun, const std::function<Error()>& edit) {
    if (begun) return begun;
    if (Error e = edit()) {
        (void)stills.rollback();
        return e;
    }
    (void)stills.commit();  // as in Record: both are on disk whatever becomes of the journal
    return Error::none();
}

}  // namespace

Error InsertStill(StillsFolder& stills, TakeEditor& avi, size_t at, const Still& still, const Frame& frame,
                  uint32_t microSecPerFrame, std::mutex* takeLock) {
    if (at >= avi.frameCount()) return RecordStill(stills, avi, still, frame, microSecPerFrame, takeLock);
    return Edit(stills, stills.beginInsert(at, still), [&] {
        const std::unique_lock<std::mutex> changing = Changing(takeLock);
        return avi.insertFrame(at, frame, microSecPerFrame);
    });
}

Error DeleteFrameWithStill(StillsFolder& stills, TakeEditor& avi, size_t index) {
    // The editor's refusals (the only frame, a frame past the end) come before any still moves.
    if (avi.frameCount() <= 1 || index >= avi.frameCount()) return avi.deleteFrame(index);
    return Edit(stills, stills.beginDelete(index + 1), [&] { return avi.deleteFrame(index); });
}

Error UndoDeleteWithStill(StillsFolder& stills, TakeEditor& avi, size_t* restoredAt) {
    if (avi.undoableDeletions() == 0 || !stills.canUndo()) return avi.undoDelete(restoredAt);
    return Edit(stills, stills.beginUndoDelete(), [&] { return avi.undoDelete(restoredAt); });
}

}  // namespace media
