// Which of a camera's formats and sizes we ask for.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "media/common/frame.h"

namespace media {

// The size we aim for: large enough for a sharp frame, small enough that common USB cameras
// still deliver it at full frame rate, and that the preview decodes it without falling behind.
inline constexpr FrameSize kTargetSize{1280, 720};

// The frame rate we ask for; the preview looks smooth at it and drivers rarely refuse it.
inline constexpr uint32_t kTargetIntervalNumerator = 1;
inline constexpr uint32_t kTargetIntervalDenominator = 30;

// The pixel format a fourcc is delivered as, if we can handle it.
std::optional<PixelFormat> PixelFormatOf(uint32_t fourcc);

// Among the formats a device delivers itself, the one to stream: MJPEG (small, full quality
// per frame), then YUYV. Anything else is left to software conversion.
std::optional<uint32_t> PreferredNativeFormat(const std::vector<uint32_t>& fourccs);

// The largest listed size that fits in kTargetSize; the smallest if none fits.
FrameSize ChooseDiscreteSize(const std::vector<FrameSize>& sizes);

// kTargetSize brought into a continuous or stepwise range.
FrameSize ChooseSteppedSize(FrameSize min, FrameSize max, FrameSize step);

// What to offer the user from a continuous or stepwise range: the common picture sizes that lie
// on it, smallest first; its two ends when none does.
std::vector<FrameSize> CommonSizesWithin(FrameSize min, FrameSize max, FrameSize step);

// `sizes` sorted by area (then width) without repeats, as a list to choose from.
std::vector<FrameSize> SortedSizes(std::vector<FrameSize> sizes);

}  // namespace media
