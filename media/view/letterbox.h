// Where a picture goes in a view that has other proportions: as large as fits, centred, with
// black bars filling the rest. A stretched picture would mislead an animator placing a pose.
#pragma once

#include "media/common/frame.h"

namespace media {

struct PictureRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PictureRect&) const = default;
};

// The largest rectangle of `picture`'s proportions inside `area`, centred; at least one pixel
// each way when both are non-empty, and empty otherwise.
PictureRect LetterboxRect(FrameSize picture, FrameSize area);

}  // namespace media
