// How the animator's views show the picture: what the Video Display dialog and the large view's
// own controls set.
#pragma once

#include "media/view/guides.h"
#include "media/view/short_play.h"

namespace avicap32 {

struct DisplaySettings {
    int onionFrames = 0;     // 0: off; else the last 1 to 5 recorded frames over the picture
    int onionOpacity = 40;   // percent, of the onion skin as a whole
    bool mirror = false;     // the views only: recordings keep the camera's picture
    bool loop = false;       // playing the take starts again at its end
    bool largeView = false;  // the large view is open
    media::GuideSet guides;  // over the picture in every view, never in the file
    int shortPlayFrames = media::kShortPlayDefault;
    bool operator==(const DisplaySettings&) const = default;
};

}  // namespace avicap32
