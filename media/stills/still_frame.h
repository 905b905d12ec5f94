// From a still to the take's frame: the still decoded only as finely as the take needs and scaled
// to the take's width with the still's proportions. And the press's last steps, in the order that
// makes the frame count only once both it and its still are on disk.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>

#include "media/avi/take_editor.h"
#include "media/common/frame.h"
#include "media/stills/stills_folder.h"

namespace media {

// The widths a stills take may be recorded at besides the live view's own.
inline constexpr int kStillsTakeWidths[] = {1280, 1920, 3840};

// `takeWidth` wide with the still's proportions, the height rounded to even (1920x1280 for 3:2).
FrameSize TakeFrameSize(FrameSize still, int takeWidth);

// The still's JPEG as an Rgb24 frame of TakeFrameSize: decoded at the largest of libjpeg-turbo's
// reductions that is not smaller than that, then scaled. BadFrame for a damaged JPEG.
Error StillToFrame(std::span<const uint8_t> jpeg, int takeWidth, Frame& frame);

// Records one press: the still written durably into `stills`, then `frame` appended to `avi`
// (the first frame of a new take publishes the stills folder with the AVI). Only when this
// returns without error are both durable and the frame counted. On failure neither counts: the
// AVI is left as it was and the still goes to deleted/. `stills` must hold as many stills as
// `avi` frames, and a new take's folder must have been begun (beginTake) when the AVI was opened.
// `takeLock`, when given, is held while `avi` changes (and only then: not while the still is
// written), for the take's readers on other threads.
Error RecordStill(StillsFolder& stills, TakeEditor& avi, const Still& still, const Frame& frame,
                  uint32_t microSecPerFrame, std::mutex* takeLock = nullptr);

// The same for a frame without a still (a webcam's): a new take's first frame sets an older
// take's stills aside with the AVI's publish, since they no longer belong to the file at the path.
Error RecordFrame(StillsFolder& stills, TakeEditor& avi, const Frame& frame, uint32_t microSecPerFrame);

// The take's edits with their stills: the stills' change journalled and made, then the take's,
// then the stills' committed, or rolled back when the take's failed. Indexes as the editor's
// (from 0). A shot at the end (at == frameCount()) is RecordStill.
Error InsertStill(StillsFolder& stills, TakeEditor& avi, size_t at, const Still& still, const Frame& frame,
                  uint32_t microSecPerFrame, std::mutex* takeLock = nullptr);
Error DeleteFrameWithStill(StillsFolder& stills, TakeEditor& avi, size_t index);
Error UndoDeleteWithStill(StillsFolder& stills, TakeEditor& avi, size_t* restoredAt = nullptr);

}  // namespace media
