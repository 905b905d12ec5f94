// The onion skin one view lays over its pictures, kept between pictures: each recorded frame is
// made a layer once for the size and mirroring it is shown at, and the layers are summed once,
// until the frames, that size or the opacity change. One view's drawing thread owns one of these.
#pragma once

#include "media/view/compositor.h"
#include "media/view/shared_decodes.h"

#include <memory>
#include <span>
#include <vector>

namespace media {

class OnionLayers {
public:
    // The skin of `frames` (newest first, already cut to the number shown) for pictures of
    // `size`, faded to `opacityPercent` in all. A frame that cannot be decoded is left out. With
    // `decodes`, a frame another view shows too is decoded once for both.
    const OnionSkin& skinFor(std::span<const std::shared_ptr<const Frame>> frames, FrameSize size, bool mirror,
                             int opacityPercent, SharedDecodes* decodes = nullptr);

private:
    struct Layer {
        std::shared_ptr<const Frame> frame;
        FrameSize size;
        bool mirror = false;
        Frame pixels;
    };
    std::vector<Layer> m_layers;
    OnionSkin m_skin;  // m_layers summed
    int m_opacityPercent = 0;
};

}  // namespace media
