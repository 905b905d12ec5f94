// What editing a 1080p MJPEG take costs, against what it should cost: deleting the last frame of
// a 10,000-frame take against appending one (goal: at most 2x), and deleting or inserting a
// frame in the middle of a take of over 1 GiB (two RIFF parts) against copying the file with
// `cp --reflink=never` followed by `sync` on the same disk (goal: at most 1.5x). Every edit is
// durable, as in a recording. Rounds alternate between the two sides of a comparison so that a
// busy moment on a shared machine falls on both; each comparison is the median of its rounds'
// ratios. Run through bench/run edit_cost.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "media/avi/take_editor.h"
#include "media/testscene/test_scene_source.h"
#include "disk_bench_main.h"

namespace media {
namespace {

constexpr int kDistinctFrames = 12;  // cycled: enough variety, little memory
constexpr uint32_t kInterval = 40000;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "edit_cost: %s\n", what.c_str());
    std::exit(1);
}

void Check(const Error& e) {
    if (e) Fail(e.message);
}

std::vector<Frame> CameraFrames() {
    TestSceneOptions o;
    o.width = 1920;
    o.height = 1080;
    o.format = PixelFormat::Mjpeg;
    o.realTime = false;
    TestSceneSource scene(o);
    Check(scene.start());
    std::vector<Frame> frames(kDistinctFrames);
    for (Frame& f : frames) Check(scene.readFrame(f));
    return frames;
}

using Clock = std::chrono::steady_clock;

double TimedMs(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Comparison {
    const char* name;
    const char* baseline;
    std::vector<double> ms;
    std::vector<double> baselineMs;
};

void Report(const Comparison& c) {
    std::vector<double> ratios;
    for (size_t r = 0; r < c.ms.size(); ++r) ratios.push_back(c.ms[r] / c.baselineMs[r]);
    std::printf("%s_ms=%.3f %s_ms=%.3f %s_vs_%s=%.3f\n", c.name, Median(c.ms), c.baseline, Median(c.baselineMs), c.name,
                c.baseline, Median(ratios));
    std::fflush(stdout);
}

// A take of `frames` frames, shot fast and then made durable: building it is not measured.
void Shoot(TakeEditor& editor, const std::string& path, const std::vector<Frame>& camera, uint64_t frames) {
    editor.setSyncEachFrame(false);
    Check(editor.open(path));
    for (uint64_t i = 0; i < frames; ++i) Check(editor.appendFrame(camera[i % camera.size()], kInterval));
    editor.setSyncEachFrame(true);
    sync();
}

void DeleteLastAgainstAppend(const std::string& scratch, const std::vector<Frame>& camera, int rounds) {
    TakeEditor editor;
    Shoot(editor, scratch + "/long.avi", camera, 10'000);
    Comparison c{"delete_last", "append", {}, {}};
    for (int r = 0; r < rounds; ++r) {
        c.baselineMs.push_back(
            TimedMs([&] { Check(editor.appendFrame(camera[size_t(r) % camera.size()], kInterval)); }));
        c.ms.push_back(TimedMs([&] { Check(editor.deleteFrame(editor.frameCount() - 1)); }));
    }
    Check(editor.close());
    Report(c);
}

void MiddleEditsAgainstCopy(const std::string& scratch, const std::vector<Frame>& camera, int rounds) {
    const std::string path = scratch + "/large.avi";
    TakeEditor editor;
    editor.setSyncEachFrame(false);
    Check(editor.open(path));
    // Past the first part's 1 GiB limit, so the take has two RIFF parts. The file takes its name
    // with the first frame.
    do {
        Check(editor.appendFrame(camera[editor.frameCount() % camera.size()], kInterval));
    } while (std::filesystem::file_size(path) < (uint64_t(1) << 30) + (uint64_t(64) << 20));
    editor.setSyncEachFrame(true);
    sync();
    const std::string copy = "cp --reflink=never '" + path + "' '" + scratch + "/copy.avi' && sync";
    const auto copyMs = [&] {
        return TimedMs([&] {
            if (std::system(copy.c_str()) != 0) Fail("cannot copy the take");
        });
    };
    Comparison deleting{"delete_middle", "copy", {}, {}};
    Comparison inserting{"insert_middle", "copy", {}, {}};
    for (int r = 0; r < rounds; ++r) {
        const size_t middle = editor.frameCount() / 2;
        deleting.baselineMs.push_back(copyMs());
        deleting.ms.push_back(TimedMs([&] { Check(editor.deleteFrame(middle)); }));
        inserting.baselineMs.push_back(copyMs());
        inserting.ms.push_back(TimedMs([&] { Check(editor.insertFrame(middle, camera[0], kInterval)); }));
    }
    Check(editor.close());
    Report(deleting);
    Report(inserting);
}

int Run(const std::string& dir, bool quick) {
    const std::string scratch = dir + "/edit-cost-scratch";
    std::filesystem::remove_all(scratch);
    std::filesystem::create_directories(scratch);
    const std::vector<Frame> camera = CameraFrames();
    std::printf("1920x1080 MJPEG takes in %s\n", dir.c_str());
    std::fflush(stdout);
    DeleteLastAgainstAppend(scratch, camera, quick ? 11 : 31);
    std::filesystem::remove_all(scratch);
    std::filesystem::create_directories(scratch);
    MiddleEditsAgainstCopy(scratch, camera, quick ? 1 : 3);
    std::filesystem::remove_all(scratch);
    return 0;
}

}  // namespace
}  // namespace media

int main(int argc, char** argv) { return media::RunDiskBenchmark(argc, argv, media::Run); }
