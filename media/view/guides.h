// What the guides over a picture are made of, in the picture's own pixel coordinates, for the
// large view and the preview to scale and draw: lines, outlined frames and dark mask bars.
// Guides are for framing a shot and never reach the recording.
#pragma once

#include <vector>

#include "media/common/frame.h"

namespace media {

struct GuideSet {
    bool thirds = false;      // the rule-of-thirds grid
    bool actionSafe = false;  // 93 % of the width and height, centred
    bool titleSafe = false;   // 90 %
    bool centreCross = false;
    bool mask239 = false;  // bars leaving a 2.39:1 picture
    bool mask185 = false;  // 1.85:1
    bool mask43 = false;   // 4:3
    bool operator==(const GuideSet&) const = default;
};

struct GuideLine {
    double x1, y1, x2, y2;
    bool operator==(const GuideLine&) const = default;
};

struct GuideRect {
    double x, y, width, height;
    bool operator==(const GuideRect&) const = default;
};

struct GuideShapes {
    std::vector<GuideLine> lines;
    std::vector<GuideRect> frames;  // outlines
    std::vector<GuideRect> masks;   // filled dark; a picture already that shape or narrower gets none
};

GuideShapes GuideGeometry(FrameSize picture, const GuideSet& guides);

}  // namespace media
