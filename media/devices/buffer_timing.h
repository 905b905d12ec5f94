// When the exposure of a captured buffer began.
#pragma once

#include "media/common/monotonic_clock.h"

#include <cstdint>

struct v4l2_buffer;

namespace media {

// On CLOCK_MONOTONIC. A monotonic driver timestamp is believed, moved back one frame interval
// when it marks the end of the frame rather than its start. Without one (unknown or copied
// timestamps) the frame is taken to have ended when we dequeued it: we dequeue as soon as a
// frame is ready, so that is late by at most our own wake-up delay.
int64_t ExposureStartNs(const v4l2_buffer& buffer, int64_t frameIntervalNs, int64_t dequeuedAtNs);

}  // namespace media
