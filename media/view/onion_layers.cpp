#include "media/view/onion_layers.h"

#include <algorithm>

namespace media {
namespace {

Error MakeLayer(const void* asker, SharedDecodes* decodes, const std::shared_ptr<const Frame>& frame, FrameSize size,
                bool mirror, Frame& layer) {
    if (!decodes) return PrepareOnionLayer(*frame, size, mirror, layer);
    std::shared_ptr<const Frame> rgb;
    if (Error e = decodes->decode(asker, frame, size, rgb)) return e;
    ScaleOnionLayer(*rgb, size, mirror, layer);
    return Error::none();
}

}  // namespace

const OnionSkin& OnionLayers::skinFor(std::span<const std::shared_ptr<const Frame>> frames, FrameSize size, bool mirror,
                                      int opacityPercent, SharedDecodes* decodes) {
    std::vector<Layer> kept;
    bool allCached = true;
    for (const std::shared_ptr<const Frame>& frame : frames) {
        auto cached = std::find_if(m_layers.begin(), m_layers.end(), [&](const Layer& layer) {
            return layer.frame == frame && layer.size == size && layer.mirror == mirror;
        });
        if (cached != m_layers.end()) {
            kept.push_back(std::move(*cached));
            continue;
        }
        allCached = false;
        Layer layer{frame, size, mirror, {}};
        if (!MakeLayer(this, decodes, frame, size, mirror, layer.pixels)) kept.push_back(std::move(layer));
    }
    bool sameLayers = allCached && kept.size() == m_layers.size() && m_opacityPercent == opacityPercent;
    for (size_t i = 0; sameLayers && i < kept.size(); ++i) sameLayers = kept[i].frame == m_layers[i].frame;
    m_layers = std::move(kept);
    if (!sameLayers) {
        std::vector<const Frame*> layers;
        for (const Layer& layer : m_layers) layers.push_back(&layer.pixels);
        m_skin = SumOnionLayers(layers, OnionWeights(int(layers.size()), opacityPercent));
        m_opacityPercent = opacityPercent;
    }
    return m_skin;
}

}  // namespace media
