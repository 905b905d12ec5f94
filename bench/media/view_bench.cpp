// What the large view costs per shown picture: onion skin over a full-HD picture scaled to the
// view (goal: at most 4 ms, the preview showing 10 pictures a second), and the same from the
// camera's MJPEG, decoded at a reduced scale first as the views do; both views showing one camera
// frame; and the strip's small picture of a recorded full-HD frame (goal: at most 2 ms).
#include <stdlib.h>

#include <benchmark/benchmark.h>

#include "media/jpeg/preview.h"
#include "media/testscene/test_scene_source.h"
#include "media/view/compositor.h"
#include "media/view/shared_decodes.h"
#include "media/view/strip_pictures.h"

namespace media {
namespace {

constexpr FrameSize kPicture{1920, 1080};
constexpr FrameSize kView{1280, 720};

Frame SceneFrame(PixelFormat format, int number) {
    TestSceneOptions o;
    o.width = kPicture.width;
    o.height = kPicture.height;
    o.format = format;
    o.realTime = false;
    TestSceneSource scene(o);
    Frame frame;
    if (scene.start()) abort();
    for (int i = 0; i <= number; ++i) {
        if (scene.readFrame(frame)) abort();
    }
    return frame;
}

struct OnionView {
    PictureRect rect = LetterboxRect(kPicture, kView);
    std::vector<Frame> layers;
    std::vector<const Frame*> layerPointers;
    std::vector<int> weights = OnionWeights(3, 50);
    OnionSkin onion;
    Frame canvas{PixelFormat::Rgb24,
                 kView.width,
                 kView.height,
                 std::vector<uint8_t>(size_t(kView.width) * kView.height * 3),
                 0,
                 0};

    OnionView() {
        layers.resize(3);
        for (int i = 0; i < 3; ++i) {
            if (PrepareOnionLayer(SceneFrame(PixelFormat::Mjpeg, 10 * i), {rect.width, rect.height}, false,
                                  layers[size_t(i)])) {
                abort();
            }
        }
        for (const Frame& layer : layers) layerPointers.push_back(&layer);
        onion = SumOnionLayers(layerPointers, weights);
    }
};

void BM_OnionSkin3Over1080pInto720pView(benchmark::State& state) {
    OnionView view;
    const Frame picture = SceneFrame(PixelFormat::Rgb24, 40);
    for (auto _ : state) {
        ComposeView(picture, view.rect, false, view.onion, WholeFrame(view.canvas));
        benchmark::DoNotOptimize(view.canvas.data.data());
    }
}
BENCHMARK(BM_OnionSkin3Over1080pInto720pView)->Unit(benchmark::kMillisecond);

// Once per recorded frame or view change, not per picture shown.
void BM_OnionSkin3Summed(benchmark::State& state) {
    OnionView view;
    for (auto _ : state) {
        OnionSkin onion = SumOnionLayers(view.layerPointers, view.weights);
        benchmark::DoNotOptimize(onion.sum.data());
    }
}
BENCHMARK(BM_OnionSkin3Summed)->Unit(benchmark::kMillisecond);

// A shown picture from the camera: reduced-size decode, then the same composition.
void BM_Mjpeg1080pDecodedAndComposedInto720pView(benchmark::State& state) {
    OnionView view;
    const Frame jpeg = SceneFrame(PixelFormat::Mjpeg, 40);
    Frame picture;
    for (auto _ : state) {
        if (DecodePreview(jpeg, view.rect.width, view.rect.height, picture)) abort();
        ComposeView(picture, view.rect, false, view.onion, WholeFrame(view.canvas));
        benchmark::DoNotOptimize(view.canvas.data.data());
    }
}
BENCHMARK(BM_Mjpeg1080pDecodedAndComposedInto720pView)->Unit(benchmark::kMillisecond);

// One camera frame in the large view and in the capture window's preview (270x220), each view
// decoding it for itself (0), or decoded once at the large view's size for both (1).
void BM_Mjpeg1080pShownInBothViews(benchmark::State& state) {
    const bool shared = state.range(0) != 0;
    Frame canvases[2];
    PictureRect rects[2];
    const FrameSize areas[2] = {kView, {270, 220}};
    SharedDecodes decodes;
    for (int i = 0; i < 2; ++i) {
        rects[i] = LetterboxRect(kPicture, areas[i]);
        canvases[i] = {PixelFormat::Rgb24, areas[i].width, areas[i].height, {}, 0, 0};
        canvases[i].data.resize(size_t(areas[i].width) * areas[i].height * 3);
        decodes.join(&canvases[i]);
    }
    const Frame jpeg = SceneFrame(PixelFormat::Mjpeg, 40);
    Frame own;
    for (auto _ : state) {
        // Another frame each time, as from the camera.
        const auto frame = std::make_shared<const Frame>(jpeg);
        for (int i = 0; i < 2; ++i) {
            const FrameSize want{rects[i].width, rects[i].height};
            std::shared_ptr<const Frame> picture;
            if (shared ? decodes.decode(&canvases[i], frame, want, picture)
                       : DecodePreview(*frame, want.width, want.height, own)) {
                abort();
            }
            ComposeView(shared ? *picture : own, rects[i], false, {}, WholeFrame(canvases[i]));
            benchmark::DoNotOptimize(canvases[i].data.data());
        }
    }
}
BENCHMARK(BM_Mjpeg1080pShownInBothViews)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_StripPictureOf1080pMjpeg(benchmark::State& state) {
    const Frame jpeg = SceneFrame(PixelFormat::Mjpeg, 40);
    Frame picture;
    for (auto _ : state) {
        if (DecodeStripPicture(jpeg.data, AviVideoCodec::Mjpeg, kPicture, {160, 90}, picture)) abort();
        benchmark::DoNotOptimize(picture.data.data());
    }
}
BENCHMARK(BM_StripPictureOf1080pMjpeg)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace media
