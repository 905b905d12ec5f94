#include "media/view/guides.h"

namespace media {
namespace {

constexpr double kActionSafe = 0.93;
constexpr double kTitleSafe = 0.90;
// Each arm of the centre cross, as a share of the picture's shorter side.
constexpr double kCrossArm = 0.05;

GuideRect Centred(double width, double height, double share) {
    return {width * (1 - share) / 2, height * (1 - share) / 2, width * share, height * share};
}

// Bars that leave the centre of the picture at `aspect` (width / height): above and below when
// the picture is less wide than that, left and right when it is wider.
void AddMask(double width, double height, double aspect, std::vector<GuideRect>& masks) {
    const double visibleHeight = width / aspect;
    if (visibleHeight < height) {
        const double bar = (height - visibleHeight) / 2;
        masks.push_back({0, 0, width, bar});
        masks.push_back({0, height - bar, width, bar});
        return;
    }
    const double visibleWidth = height * aspect;
    if (visibleWidth < width) {
        const double bar = (width - visibleWidth) / 2;
        masks.push_back({0, 0, bar, height});
        masks.push_back({width - bar, 0, bar, height});
    }
}

}  // namespace

GuideShapes GuideGeometry(FrameSize picture, const GuideSet& guides) {
    GuideShapes shapes;
    const double w = picture.width;
    const double h = picture.height;
    if (w <= 0 || h <= 0) return shapes;
    if (guides.thirds) {
        for (int i = 1; i <= 2; ++i) {
            shapes.lines.push_back({w * i / 3, 0, w * i / 3, h});
            shapes.lines.push_back({0, h * i / 3, w, h * i / 3});
        }
    }
    if (guides.centreCross) {
        const double arm = (w < h ? w : h) * kCrossArm;
        shapes.lines.push_back({w / 2 - arm, h / 2, w / 2 + arm, h / 2});
        shapes.lines.push_back({w / 2, h / 2 - arm, w / 2, h / 2 + arm});
    }
    if (guides.actionSafe) shapes.frames.push_back(Centred(w, h, kActionSafe));
    if (guides.titleSafe) shapes.frames.push_back(Centred(w, h, kTitleSafe));
    if (guides.mask239) AddMask(w, h, 2.39, shapes.masks);
    if (guides.mask185) AddMask(w, h, 1.85, shapes.masks);
    if (guides.mask43) AddMask(w, h, 4.0 / 3.0, shapes.masks);
    return shapes;
}

}  // namespace media
