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

TestSceneSource::TestSceneSource(TestSceneOptions options) : m_options(options) {}

std::string TestSceneSource::name() const {
    return "Test scene " + std::to_string(m_options.width) + "x" + std::to_string(m_options.height);
}

Error TestSceneSource::start() {
    if (const ErrorKind kind = m_startFailure; kind != ErrorKind::None) {
        return {kind, "The test scene was told to fail when started"};
    }
    if (m_options.framesPerSecond < 1 || m_options.framesPerSecond > 240) {
        return {ErrorKind::Unsupported,
                "The test scene runs at 1 to 240 frames per second, not " + std::to_string(m_options.framesPerSecond)};
    }
    m_replay.clear();
    if (m_options.format == PixelFormat::Mjpeg) {
        for (int i = 0; i < m_options.replayFrames; ++i) {
            Frame painted;
            if (Error e = paint(uint64_t(i), painted)) return e;
            m_replay.push_back(std::move(painted.data));
        }
    }
    m_started = true;
    m_startNs = MonotonicNowNs();
    m_nextNumber = 0;
    m_delivered = 0;
    return Error::none();
}

StreamFormat TestSceneSource::format() const {
    StreamFormat f;
    f.format = m_options.format;
    f.width = m_options.width;
    f.height = m_options.height;
    f.frameIntervalNumerator = 1;
    f.frameIntervalDenominator = m_options.framesPerSecond;
    return f;
}

std::vector<FrameSize> TestSceneSource::offeredSizes() const {
    std::vector<FrameSize> sizes = {{320, 240}, {640, 480}, {1280, 720}};
    const FrameSize own{m_options.width, m_options.height};
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
    const FrameInterval own{1, m_options.framesPerSecond};
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
    if (!m_started) return {ErrorKind::Io, "The test scene is not started"};
    const int64_t vanishAfter = m_vanishAfter;
    if (vanishAfter >= 0 && m_delivered >= uint64_t(vanishAfter)) {
        return {ErrorKind::DeviceGone, "The test scene was told to vanish"};
    }

    const int64_t interval = kNsPerSecond / m_options.framesPerSecond;
    uint64_t number = m_nextNumber;
    if (m_options.realTime) {
        const int64_t now = MonotonicNowNs();
        const uint64_t due = static_cast<uint64_t>((now - m_startNs) / interval);
        if (due > number) number = due;  // frames nobody read in time are gone
        SleepUntil(m_startNs + int64_t(number) * interval);
    }
    m_nextNumber = number + 1;

    frame.exposureStartNs = m_startNs + int64_t(number) * interval;
    if (!m_replay.empty()) {
        frame.width = m_options.width;
        frame.height = m_options.height;
        frame.format = PixelFormat::Mjpeg;
        frame.data = m_replay[number % m_replay.size()];
    } else if (Error e = paint(number, frame)) {
        return e;
    }
    frame.sequence = number;
    ++m_delivered;
    return Error::none();
}

void TestSceneSource::stop() { m_started = false; }

Error TestSceneSource::paint(uint64_t number, Frame& frame) const {
    const int w = m_options.width;
    const int h = m_options.height;
    frame.width = w;
    frame.height = h;
    frame.format = m_options.format;
    std::vector<uint8_t> rgb(UncompressedFrameBytes(PixelFormat::Rgb24, w, h));
    PaintTestScene(number, w, h, rgb.data(),
                   m_options.controls ? m_options.controls->lookAt(frame.exposureStartNs) : SceneLook{});
    switch (m_options.format) {
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
        if (m_options.cameraStyleJpeg) MakeCameraStyle(frame.data);
        return Error::none();
    }
    }
    return Error::none();
}

}  // namespace media
