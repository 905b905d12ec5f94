#include "media/view/letterbox.h"

#include <algorithm>
#include <cstdint>

namespace media {

PictureRect LetterboxRect(FrameSize picture, FrameSize area) {
    if (picture.width <= 0 || picture.height <= 0 || area.width <= 0 || area.height <= 0) return {};
    // Compare the proportions in integers: area.w / area.h against picture.w / picture.h.
    const int64_t areaWide = int64_t(area.width) * picture.height;
    const int64_t pictureWide = int64_t(picture.width) * area.height;
    PictureRect rect;
    if (areaWide >= pictureWide) {  // bars left and right
        rect.height = area.height;
        rect.width = int((pictureWide + picture.height / 2) / picture.height);
    } else {  // bars above and below
        rect.width = area.width;
        rect.height = int((int64_t(picture.height) * area.width + picture.width / 2) / picture.width);
    }
    rect.width = std::clamp(rect.width, 1, area.width);
    rect.height = std::clamp(rect.height, 1, area.height);
    rect.x = (area.width - rect.width) / 2;
    rect.y = (area.height - rect.height) / 2;
    return rect;
}

}  // namespace media
