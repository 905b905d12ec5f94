// What one appendFrame costs once a recording holds 10, 1000 or 10000 frames: it must not grow
// with the recording. Measured with and without the per-frame syncs, which dominate on disks.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "media/avi/avi_writer.h"
#include "media/testscene/test_scene_source.h"

namespace media {
namespace {

Frame CameraFrame() {
    TestSceneOptions o;
    o.width = 320;
    o.height = 240;
    o.format = PixelFormat::Mjpeg;
    o.realTime = false;
    TestSceneSource scene(o);
    Frame frame;
    if (scene.start() || scene.readFrame(frame)) abort();
    return frame;
}

void AppendAfter(benchmark::State& state, bool durable) {
    char pattern[] = "/tmp/kinoree-bench-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const Frame frame = CameraFrame();
    AviWriter writer(AviWriterOptions{.syncEachFrame = durable});
    if (writer.open(dir + "/bench.avi")) abort();
    for (int64_t i = 0; i < state.range(0); ++i) {
        if (writer.appendFrame(frame, 40000)) abort();
    }
    for (auto _ : state) {
        if (writer.appendFrame(frame, 40000)) abort();
    }
    writer.close();
    std::filesystem::remove_all(dir);
}

void BM_AppendFrame(benchmark::State& state) { AppendAfter(state, false); }
void BM_AppendFrameDurable(benchmark::State& state) { AppendAfter(state, true); }

BENCHMARK(BM_AppendFrame)->Arg(10)->Arg(1000)->Arg(10000)->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppendFrameDurable)->Arg(10)->Arg(1000)->Arg(10000)->Iterations(100)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace media
