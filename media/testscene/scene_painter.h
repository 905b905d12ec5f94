// The test scene's picture: what frame `number` of a moving, colourful test pattern looks like.
#pragma once

#include <cstdint>

namespace media {

// Paints top-down RGB rows (width x height x 3 bytes): colour bars, a gradient with a ball
// moving across it, the frame number in large digits and its machine-readable stamp.
void PaintTestScene(uint64_t number, int width, int height, uint8_t* rgb);

}  // namespace media
