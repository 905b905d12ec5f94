#include "media/testscene/test_scene_source.h"

#include <time.h>

#include <algorithm>

#include "media/jpeg/jpeg_encoder.h"
#include "media/jpeg/jpeg_markers.h"
#include "media/common/monotonic_clock.h"
#include "media/jpeg/pixel_convert.h"
#include "media/testscene/scene_painter.h"
#include "media/testscene/test_scene_controls.h"

namespace media {
namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;

void SleepUntil(int64_t ns) {
    const timespec until{static_cast<time_t>(ns / kNsPerSecond), static_cast<long>(ns % kNsPerSecond)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) != 0) {
    }
}

// Cameras leave the Huffman tables out of their MJPEG and hand over buffers longer than the
// image: imitate both so that the recording path meets what it will meet.
void MakeCameraStyle(std::vector<uint8_t>& jpeg) {
    JpegLayout layout;
    if (ParseJpeg(jpeg, layout)) return;
    std::vector<uint8_t> out;
    out.reserve(jpeg.size() + 64);
    size_t pos = 0;
    while (pos < layout.firstScan) {
        const size_t length = (size_t(jpeg[pos + 2]) << 8) | jpeg[pos + 3];
        const bool isTables = jpeg[pos + 1] == 0xC4;
        const size_t next = pos == 0 ? 2 : pos + 2 + length;
        if (!isTables) out.insert(out.end(), jpeg.begin() + pos, jpeg.begin() + next);
        pos = next;
    }
    out.insert(out.end(), jpeg.begin() + layout.firstScan, jpeg.begin() + layout.end);
    out.resize(out.size() + 61, 0);
    jpeg = std::move(out);
}

}  // namespace

TestSceneSource::TestSceneSource(TestSceneOptions options) : options_(options) {}

std::string TestSceneSource::name() const {
    return "Test scene " + std::to_string(options_.width) + "x" + std::to_string(options_.height);
}

Error TestSceneSource::start() {
    if (const ErrorKind kind = startFailure_; kind != ErrorKind::None) {
        return {kind, "The test scene was told to fail when started"};
    }
    if (options_.framesPerSecond < 1 || options_.framesPerSecond > 240) {
        return {ErrorKind::Unsupported, "The test scene runs at 1 to 240 frames per second, not " +
                                            std::to_string(options_.framesPerSecond)};
    }
    replay_.clear();
    if (options_.format == PixelFormat::Mjpeg) {
        for (int i = 0; i < options_.replayFrames; ++i) {
            Frame painted;
            if (Error e = paint(uint64_t(i), painted)) return e;
            replay_.push_back(std::move(painted.data));
        }
    }
    started_ = true;
    startNs_ = monotonicNowNs();
    nextNumber_ = 0;
    delivered_ = 0;
    return Error::none();
}

StreamFormat TestSceneSource::format() const {
    StreamFormat f;
    f.format = options_.format;
    f.width = options_.width;
    f.height = options_.height;
    f.frameIntervalNumerator = 1;
    f.frameIntervalDenominator = options_.framesPerSecond;
    return f;
}

std::vector<FrameSize> TestSceneSource::offeredSizes() const {
    std::vector<FrameSize> sizes = {{320, 240}, {640, 480}, {1280, 720}};
    const FrameSize own{options_.width, options_.height};
    if (std::find(sizes.begin(), sizes.end(), own) == sizes.end()) {
        const auto larger = std::find_if(sizes.begin(), sizes.end(), [&](const FrameSize& s) {
            return int64_t(s.width) * s.height > int64_t(own.width) * own.height;
        });
        sizes.insert(larger, own);
    }
    return sizes;
}

std::vector<OfferedFormat> TestSceneSource::offeredFormats() const {
    std::vector<FrameInterval> intervals = {{1, 30}, {1, 15}};
    const FrameInterval own{1, options_.framesPerSecond};
    if (std::find(intervals.begin(), intervals.end(), own) == intervals.end()) intervals.push_back(own);
    std::sort(intervals.begin(), intervals.end(),
              [](const FrameInterval& a, const FrameInterval& b) { return a.denominator > b.denominator; });
    std::vector<OfferedFormat> formats;
    for (PixelFormat format : {PixelFormat::Mjpeg, PixelFormat::Yuyv, PixelFormat::Rgb24}) {
        OfferedFormat offered{format, {}};
        for (FrameSize size : offeredSizes()) offered.sizes.push_back({size, intervals});
        formats.push_back(std::move(offered));
    }
    return formats;
}

Error TestSceneSource::readFrame(Frame& frame) {
    if (!started_) return {ErrorKind::Io, "The test scene is not started"};
    const int64_t vanishAfter = vanishAfter_;
    if (vanishAfter >= 0 && delivered_ >= uint64_t(vanishAfter)) {
        return {ErrorKind::DeviceGone, "The test scene was told to vanish"};
    }

    const int64_t interval = kNsPerSecond / options_.framesPerSecond;
    uint64_t number = nextNumber_;
    if (options_.realTime) {
        const int64_t now = monotonicNowNs();
        const uint64_t due = static_cast<uint64_t>((now - startNs_) / interval);
        if (due > number) number = due;  // frames nobody read in time are gone
        SleepUntil(startNs_ + int64_t(number) * interval);
    }
    nextNumber_ = number + 1;

    frame.exposureStartNs = startNs_ + int64_t(number) * interval;
    if (!replay_.empty()) {
        frame.width = options_.width;
        frame.height = options_.height;
        frame.format = PixelFormat::Mjpeg;
        frame.data = replay_[number % replay_.size()];
    } else if (Error e = paint(number, frame)) {
        return e;
    }
    frame.sequence = number;
    ++delivered_;
    return Error::none();
}

void TestSceneSource::stop() { started_ = false; }

Error TestSceneSource::paint(uint64_t number, Frame& frame) const {
    const int w = options_.width;
    const int h = options_.height;
    frame.width = w;
    frame.height = h;
    frame.format = options_.format;
    std::vector<uint8_t> rgb(UncompressedFrameBytes(PixelFormat::Rgb24, w, h));
    PaintTestScene(number, w, h, rgb.data(),
                   options_.controls ? options_.controls->lookAt(frame.exposureStartNs) : SceneLook{});
    switch (options_.format) {
        case PixelFormat::Rgb24:
            frame.data = std::move(rgb);
            return Error::none();
        case PixelFormat::Yuyv:
            frame.data.resize(UncompressedFrameBytes(PixelFormat::Yuyv, w, h));
            Rgb24ToYuyv(rgb.data(), w, h, frame.data.data());
            return Error::none();
        case PixelFormat::Mjpeg: {
            Frame source{PixelFormat::Rgb24, w, h, std::move(rgb), number, 0};
            if (Error e = EncodeJpeg(source, kDefaultJpegQuality, frame.data)) return e;
            if (options_.cameraStyleJpeg) MakeCameraStyle(frame.data);
            return Error::none();
        }
    }
    return Error::none();
}

}  // namespace media
