#include "media/view/short_play.h"

#include <algorithm>

namespace media {

FrameRange ShortPlayFrames(size_t insertAt, int length) {
    const size_t wanted = size_t(std::clamp(length, kShortPlayFewest, kShortPlayMost));
    const size_t count = std::min(wanted, insertAt);
    return {insertAt - count, count};
}

}  // namespace media
