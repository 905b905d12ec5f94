// The animator's view of a frame: the picture letterboxed into the view, black bars around it,
// mirrored on request, and the onion skin (the last captured frames, fading with age) blended
// over it. Runs on a view's drawing thread; nothing here touches a recording.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "media/common/frame.h"
#include "media/view/letterbox.h"
#include "media/view/rgb_scale.h"

namespace media {

// The onion skin shows the last 1 to 5 recorded frames, at 10 to 100 % opacity in all.
constexpr int kMaxOnionFrames = 5;
constexpr int kMinOnionOpacity = 10;
constexpr int kMaxOnionOpacity = 100;

// How much of each onion-skin frame shows, newest first, in 256ths of the pixel: together
// `opacityPercent`, each older frame less than the one after it. The live picture keeps the rest.
std::vector<int> OnionWeights(int frames, int opacityPercent);

// The onion-skin layers summed once with their weights, ready to be laid over every picture
// shown at their size until a frame is recorded or the view changes.
struct OnionSkin {
    int width = 0;
    int height = 0;
    uint16_t pictureShare = 256;  // what the live picture keeps, in 256ths
    std::vector<uint16_t> sum;    // each value's weighted layers, in 256ths, rounding included
    bool empty() const { return sum.empty(); }
};

// `layers` newest first, all of one size, with `weights` from OnionWeights.
OnionSkin SumOnionLayers(std::span<const Frame* const> layers, std::span<const int> weights);
void LayOnionSkin(const OnionSkin& onion, RgbView out);

// A captured frame (any format) decoded and resampled to `size`, as an onion-skin layer for a
// view showing it there: done once per frame and view size, not for every picture shown.
Error PrepareOnionLayer(const Frame& captured, FrameSize size, bool mirror, Frame& layer);
// The same from a frame already decoded to Rgb24, shared with the other views showing it.
void ScaleOnionLayer(const Frame& rgb, FrameSize size, bool mirror, Frame& layer);

// Draws the Rgb24 `picture` into `rect` of `canvas` (the whole view), with black everywhere
// else and the onion skin (of the rect's size, or empty) over it.
void ComposeView(const Frame& picture, PictureRect rect, bool mirror, const OnionSkin& onion, RgbView canvas);

}  // namespace media
