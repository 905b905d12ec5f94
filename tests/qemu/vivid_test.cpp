// The camera code against vivid, the kernel's virtual camera, as the guest loads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "guest_support.h"
#include "media/devices/buffer_timing.h"
#include "media/devices/device_list.h"
#include "media/devices/live_source.h"
#include "media/devices/v4l2_camera.h"

namespace media {
namespace {

using namespace std::chrono_literals;

// The guest runs without acceleration: drivers are slow, so waits are generous.
constexpr auto kPatience = 10s;

class Vivid : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = guest::NodeNamed("vivid-000-vid-cap");
        ASSERT_FALSE(m_path.empty()) << "vivid's capture node is missing";
    }
    std::string m_path;
};

TEST_F(Vivid, DeviceListHasTheCaptureNodesOnlyInNodeOrder) {
    const auto devices = ListCaptureDevices(*SystemV4l2Io());
    std::vector<std::string> paths;
    for (const CaptureDevice& d : devices) paths.push_back(d.path);
    // vivid's output, metadata and VBI nodes are left out; the loopback devices capture.
    const std::vector<std::string> expected = {m_path, guest::NodeNamed("loopback-mjpeg"),
                                               guest::NodeNamed("loopback-uyvy")};
    EXPECT_EQ(paths, expected);
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(devices[0].name, "vivid");
    EXPECT_EQ(devices[0].description.rfind("vivid v6.", 0), 0u) << devices[0].description;
    // Each is told apart in the list and keeps its settings under a name of its own.
    std::vector<std::string> keys;
    for (const CaptureDevice& d : devices) {
        EXPECT_FALSE(d.busInfo.empty()) << d.path;
        if (std::find(keys.begin(), keys.end(), SettingsKey(d)) == keys.end()) keys.push_back(SettingsKey(d));
    }
    EXPECT_EQ(keys.size(), devices.size());
}

TEST_F(Vivid, NegotiatesYuyvAt720pAndStreamsInOrder) {
    V4l2Camera camera(m_path);
    const Error e = camera.start();
    ASSERT_FALSE(e) << e.message;
    const StreamFormat f = camera.format();
    EXPECT_EQ(f.format, PixelFormat::Yuyv) << "vivid has no MJPEG; YUYV is its best native format";
    EXPECT_FALSE(camera.converted());
    EXPECT_EQ(f.width, 1280);
    EXPECT_EQ(f.height, 720);

    Frame previous;
    for (int i = 0; i < 5; ++i) {
        Frame frame;
        const int64_t before = MonotonicNowNs();
        const Error r = camera.readFrame(frame);
        ASSERT_FALSE(r) << r.message;
        EXPECT_EQ(frame.data.size(), size_t(1280) * 720 * 2);
        EXPECT_LT(frame.exposureStartNs, MonotonicNowNs()) << "a monotonic start in the past";
        EXPECT_GT(frame.exposureStartNs, before - 2'000'000'000);
        if (i > 0) {
            EXPECT_GT(frame.sequence, previous.sequence);
            EXPECT_GT(frame.exposureStartNs, previous.exposureStartNs);
        }
        previous = std::move(frame);
    }
    camera.stop();
    ASSERT_FALSE(camera.start()) << "the device is free again after stop";
}

TEST_F(Vivid, AfterAPauseTheNewestQueuedFrameIsRead) {
    V4l2Camera camera(m_path);
    ASSERT_FALSE(camera.start());
    Frame first;
    ASSERT_FALSE(camera.readFrame(first));
    // Long enough for the driver to fill every buffer while nobody reads.
    std::this_thread::sleep_for(1500ms);
    Frame next;
    ASSERT_FALSE(camera.readFrame(next));
    EXPECT_GE(next.sequence, first.sequence + V4l2Camera::kBufferCount)
        << "frames that waited in the queue were skipped";
}

TEST_F(Vivid, LiveCaptureTakesAFrameBegunAfterTheRequest) {
    std::atomic<int> listened = 0;
    LiveSource live;
    live.setFrameListener([&](const std::shared_ptr<const Frame>&) { ++listened; });
    const Error e = live.start(std::make_unique<V4l2Camera>(m_path));
    ASSERT_FALSE(e) << e.message;
    std::shared_ptr<const Frame> frame;
    ASSERT_FALSE(live.waitForFrameStartedAfter(0, kPatience, frame));

    for (int press = 0; press < 3; ++press) {
        std::this_thread::sleep_for(150ms);
        const int64_t request = MonotonicNowNs();
        const Error r = live.waitForFrameStartedAfter(request, kPatience, frame);
        ASSERT_FALSE(r) << r.message;
        EXPECT_GT(frame->exposureStartNs, request);
        EXPECT_LT(frame->exposureStartNs, request + 2'000'000'000) << "timestamps on our clock";
    }
    live.stop();
    EXPECT_FALSE(live.failure());
    EXPECT_GE(live.frameCount(), 4u);
    EXPECT_EQ(uint64_t(listened.load()), live.frameCount());
}

}  // namespace
}  // namespace media
