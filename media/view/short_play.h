// Short play: the last few frames before the insertion point, the check after each pose.
#pragma once

#include <cstddef>

namespace media {

constexpr int kShortPlayFewest = 2;
constexpr int kShortPlayMost = 30;
constexpr int kShortPlayDefault = 6;

struct FrameRange {
    size_t first = 0;
    size_t count = 0;
    bool operator==(const FrameRange&) const = default;
};

// The frames short play shows when the next shot goes in at `insertAt` (frames 0 .. insertAt-1
// come before it): the last `length` of them, `length` held to 2-30; fewer when the take is
// shorter.
FrameRange ShortPlayFrames(size_t insertAt, int length);

}  // namespace media
