// What a stills camera costs the program besides the camera's own time. First, a press: from a
// downloaded 24-megapixel JPEG to a confirmed 1920x1080 frame (the still and its folder written
// and synced, the still decoded at half size, scaled, compressed, appended and synced), against
// the sum of its parts done alone: writing and syncing the still with its folder, appending a
// 1080p frame, and decoding the still at half size. Rounds alternate the two, and the comparison
// is the median of the rounds' ratios, as frame_cost does. Second, the preview of a 960x640 live
// view at 30 frames per second: the camera's worker, the capture thread and a preview decode per
// frame, as a share of one core. Run through bench/run still_cost.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "media/common/monotonic_clock.h"
#include "media/devices/live_source.h"
#include "media/jpeg/jpeg_decoder.h"
#include "media/jpeg/jpeg_encoder.h"
#include "media/jpeg/preview.h"
#include "media/stills/scene_camera_io.h"
#include "media/stills/still_frame.h"
#include "media/stills/stills_live_view.h"
#include "media/testscene/scene_painter.h"
#include "disk_bench_main.h"

namespace media {
namespace {

// 24 megapixels at 16:9, so that the take's frame is 1920x1080 and half size is the largest
// reduction not below it.
constexpr FrameSize kStill{6528, 3672};
constexpr int kTakeWidth = 1920;
constexpr FrameSize kLiveView{960, 640};
constexpr FrameSize kPreviewArea{640, 427};  // the capture window's preview, letterboxed
constexpr uint32_t kInterval = 40000;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "still_cost: %s\n", what.c_str());
    std::exit(1);
}

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The test scene, with sensor-like noise when `grain` is set: a photograph's fine detail makes a
// JPEG of several megabytes, where the smooth scene alone makes a fraction of that, and both the
// still's writing and its decoding grow with it.
std::vector<uint8_t> SceneJpeg(uint64_t number, FrameSize size, bool grain = false) {
    Frame rgb{PixelFormat::Rgb24, size.width, size.height, {}, number, 0};
    rgb.data.resize(size_t(size.width) * size_t(size.height) * 3);
    PaintTestScene(number, size.width, size.height, rgb.data.data());
    uint32_t noise = 2463534242u + uint32_t(number);
    for (size_t i = 0; grain && i < rgb.data.size(); ++i) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        rgb.data[i] = uint8_t(std::clamp(int(rgb.data[i]) + int(noise % 25) - 12, 0, 255));
    }
    std::vector<uint8_t> jpeg;
    if (EncodeJpeg(rgb, kDefaultJpegQuality, jpeg)) Fail("cannot compress a still");
    return jpeg;
}

template <typename Work>
double TimedMs(Work work) {
    const auto start = Clock::now();
    work();
    return Ms(Clock::now() - start);
}

void Check(const Error& e) {
    if (e) Fail(e.message);
}

// One round of `count` presses through the whole path, interleaved press by press with the
// parts alone; returns the milliseconds per press of each.
std::pair<double, double> PressRound(const std::string& scratch, const std::vector<Still>& stills, int count) {
    std::filesystem::remove_all(scratch);
    std::filesystem::create_directories(scratch);
    TakeEditor whole;
    Check(whole.open(scratch + "/whole.avi"));
    StillsFolder wholeStills(scratch + "/whole.avi");
    Check(wholeStills.beginTake());
    AviWriter parts;
    Check(parts.open(scratch + "/parts.avi"));
    StillsFolder partStills(scratch + "/parts.avi");
    Check(partStills.beginTake());

    double wholeMs = 0;
    double partsMs = 0;
    for (int i = 0; i < count; ++i) {
        const Still& still = stills[size_t(i) % stills.size()];
        Frame frame;
        const auto pathWhole = [&] {
            wholeMs += TimedMs([&] {
                Check(StillToFrame(still.jpeg().data, kTakeWidth, frame));
                if (frame.width != kTakeWidth || frame.height != 1080) Fail("the take's frame is not 1920x1080");
                Check(RecordStill(wholeStills, whole, still, frame, kInterval));
            });
        };
        const auto pathParts = [&] {
            Frame half;
            Frame made;
            Check(StillToFrame(still.jpeg().data, kTakeWidth, made));  // the 1080p frame, untimed
            partsMs += TimedMs([&] { Check(partStills.append(still)); });
            partsMs += TimedMs([&] { Check(parts.appendFrame(made, kInterval)); });
            partsMs += TimedMs([&] { Check(DecodeJpegToRgb(still.jpeg().data, half, kTakeWidth, 1080)); });
        };
        // Which goes first alternates: the second finds the still in the processor's cache.
        if (i % 2) {
            pathParts();
            pathWhole();
        } else {
            pathWhole();
            pathParts();
        }
    }
    return {wholeMs / count, partsMs / count};
}

// A camera whose live view costs nothing to make: one picture handed out at 30 per second.
class ReplayCamera : public SceneCameraIo {
public:
    explicit ReplayCamera(std::vector<uint8_t> jpeg) : m_jpeg(std::move(jpeg)) {}
    int capturePreview(std::vector<uint8_t>& jpeg) override {
        const int64_t interval = 1'000'000'000 / 30;
        if (m_next == 0) m_next = MonotonicNowNs();
        m_next += interval;
        const timespec until{time_t(m_next / 1'000'000'000), long(m_next % 1'000'000'000)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) != 0) {
        }
        jpeg = m_jpeg;
        return GP_OK;
    }

private:
    std::vector<uint8_t> m_jpeg;
    int64_t m_next = 0;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Percent of one core the live view's preview takes, over `seconds`.
double PreviewShare(double seconds) {
    auto camera = std::make_shared<StillsCamera>(std::make_unique<ReplayCamera>(SceneJpeg(1, kLiveView)),
                                                 DetectedCamera{std::string(kSceneCameraModel), "replay"});
    LiveSource live;
    Check(live.start(std::make_unique<StillsLiveView>(camera)));
    Frame rgb;  // used by the capture thread alone
    live.setFrameListener([&](const std::shared_ptr<const Frame>& frame) {
        Check(DecodePreview(*frame, kPreviewArea.width, kPreviewArea.height, rgb));
    });
    const double cpuBefore = CpuSeconds();
    const auto start = Clock::now();
    const uint64_t framesBefore = live.frameCount();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double cpu = CpuSeconds() - cpuBefore;
    const double wall = Ms(Clock::now() - start) / 1000;
    const uint64_t frames = live.frameCount() - framesBefore;
    live.setFrameListener(nullptr);
    live.stop();
    std::printf("preview_frames_per_second=%.1f\n", double(frames) / wall);
    return 100 * cpu / wall;
}

int Run(const std::string& dir, bool quick) {
    const int presses = quick ? 4 : 8;
    const int rounds = quick ? 5 : 9;
    std::vector<Still> stills(3);
    for (size_t i = 0; i < stills.size(); ++i) stills[i].files.push_back({"IMG.JPG", SceneJpeg(i, kStill, true)});
    std::printf("%dx%d stills (%zu KB) to %dx1080 frames, %d presses per round, %d rounds, in %s\n", kStill.width,
                kStill.height, stills[0].jpeg().data.size() / 1024, kTakeWidth, presses, rounds, dir.c_str());
    std::fflush(stdout);

    const std::string scratch = dir + "/still-cost-scratch";
    std::vector<double> whole;
    std::vector<double> parts;
    std::vector<double> ratios;
    for (int r = 0; r < rounds; ++r) {
        const auto [w, p] = PressRound(scratch, stills, presses);
        whole.push_back(w);
        parts.push_back(p);
        ratios.push_back(w / p);
    }
    std::filesystem::remove_all(scratch);
    std::printf("a_still_to_confirmed_frame_ms=%.3f\n", Median(whole));
    std::printf("b_sum_of_parts_ms=%.3f\n", Median(parts));
    std::printf("press_vs_parts=%.3f  (goal: at most 1.3)\n", Median(ratios));
    std::printf("preview_core_percent=%.1f  (goal: at most 10)\n", PreviewShare(quick ? 2 : 5));
    return 0;
}

}  // namespace
}  // namespace media

int main(int argc, char** argv) { return media::RunDiskBenchmark(argc, argv, media::Run); }
