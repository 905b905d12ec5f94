// Compressing a VGA frame for an MJPEG recording, and decoding camera MJPEG for the preview.
#include <stdlib.h>

#include <benchmark/benchmark.h>

#include "media/jpeg/jpeg_encoder.h"
#include "media/jpeg/preview.h"
#include "media/testscene/test_scene_source.h"

namespace media {
namespace {

Frame VgaFrame(PixelFormat format) {
    TestSceneOptions o;
    o.format = format;
    o.realTime = false;
    TestSceneSource scene(o);
    Frame frame;
    if (scene.start() || scene.readFrame(frame)) abort();
    return frame;
}

void BM_EncodeJpeg(benchmark::State& state, PixelFormat format) {
    const Frame frame = VgaFrame(format);
    std::vector<uint8_t> jpeg;
    for (auto _ : state) {
        if (EncodeJpeg(frame, kDefaultJpegQuality, jpeg)) abort();
        benchmark::DoNotOptimize(jpeg.data());
    }
}
BENCHMARK_CAPTURE(BM_EncodeJpeg, rgb24, PixelFormat::Rgb24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodeJpeg, yuyv, PixelFormat::Yuyv)->Unit(benchmark::kMillisecond);

// A preview window of about 320x240 from 640x480 camera MJPEG, against a full-size decode.
void BM_DecodePreview(benchmark::State& state) {
    const Frame frame = VgaFrame(PixelFormat::Mjpeg);
    const int want = static_cast<int>(state.range(0));
    Frame rgb;
    for (auto _ : state) {
        if (DecodePreview(frame, want, want * 3 / 4, rgb)) abort();
        benchmark::DoNotOptimize(rgb.data.data());
    }
}
BENCHMARK(BM_DecodePreview)->Arg(320)->Arg(640)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace media
