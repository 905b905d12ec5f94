// The test scene's picture: what frame `number` of a moving, colourful test pattern looks like.
#pragma once

#include <cstdint>

namespace media {

// How the scene's camera settings make it look: exposure and brightness lighten or darken it,
// white balance tints it. The frame-number stamp is left as it is, so that it stays readable.
struct SceneLook {
    int gainPermille = 1000;
    int brightness = 0;  // added to every channel
    int redPermille = 1000;
    int bluePermille = 1000;
    bool operator==(const SceneLook&) const = default;
};

// Paints top-down RGB rows (width x height x 3 bytes): colour bars, a gradient with a ball
// moving across it, the frame number in large digits and its machine-readable stamp.
void PaintTestScene(uint64_t number, int width, int height, uint8_t* rgb, const SceneLook& look = {});

}  // namespace media
