// Removing the driver from under a streaming camera, as an unplug does, and binding it again.
// Run on its own, last: it takes vivid away for a while.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "guest_support.h"
#include "media/devices/buffer_timing.h"
#include "media/devices/device_list.h"
#include "media/devices/device_monitor.h"
#include "media/devices/live_source.h"
#include "media/devices/v4l2_camera.h"

namespace media {
namespace {

using namespace std::chrono_literals;

TEST(DriverRemoval, UnbindingVividWhileStreamingIsDeviceGoneAndBindingBringsItBack) {
    const std::string path = guest::NodeNamed("vivid-000-vid-cap");
    ASSERT_FALSE(path.empty());
    std::string key;
    for (const CaptureDevice& d : ListCaptureDevices(*SystemV4l2Io())) {
        if (d.path == path) key = SettingsKey(d);
    }
    ASSERT_FALSE(key.empty());
    DeviceMonitor monitor;
    ASSERT_GE(monitor.fd(), 0) << "the kernel's device events cannot be listened to";
    LiveSource live;
    const Error e = live.start(std::make_unique<V4l2Camera>(path));
    ASSERT_FALSE(e) << e.message;
    std::shared_ptr<const Frame> frame;
    ASSERT_FALSE(live.waitForFrameStartedAfter(0, 10s, frame));

    ASSERT_TRUE(guest::WriteSysfs("/sys/bus/platform/drivers/vivid/unbind", "vivid.0"));
    const Error gone = live.waitForFrameStartedAfter(MonotonicNowNs() + 60'000'000'000, 10s, frame);
    EXPECT_EQ(gone.kind, ErrorKind::DeviceGone) << gone.message;
    EXPECT_EQ(live.failure().kind, ErrorKind::DeviceGone);
    EXPECT_FALSE(live.streaming());
    live.stop();

    V4l2Camera again(path);
    EXPECT_EQ(again.start().kind, ErrorKind::DeviceGone) << "the node is gone with the driver";

    // Bound again, as a camera plugged back in: it is listed under the name its settings are
    // kept by, and streams.
    ASSERT_TRUE(guest::WriteSysfs("/sys/bus/platform/drivers/vivid/bind", "vivid.0"));
    std::optional<CaptureDevice> back;
    for (int attempt = 0; attempt < 100 && !back; ++attempt) {
        for (const CaptureDevice& d : ListCaptureDevices(*SystemV4l2Io())) {
            if (SettingsKey(d) == key) back = d;
        }
        if (!back) std::this_thread::sleep_for(100ms);
    }
    ASSERT_TRUE(back) << "vivid did not come back as " << key;
    // Both were announced, as the capture window hears of an unplugged camera coming back.
    std::vector<DeviceEvent> events;
    for (int attempt = 0; attempt < 50; ++attempt) {
        for (const DeviceEvent& event : monitor.take()) events.push_back(event);
        const bool removed = std::find(events.begin(), events.end(), DeviceEvent{false, path}) != events.end();
        const bool added = std::find(events.begin(), events.end(), DeviceEvent{true, back->path}) != events.end();
        if (removed && added) break;
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_NE(std::find(events.begin(), events.end(), DeviceEvent{false, path}), events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), DeviceEvent{true, back->path}), events.end());
    LiveSource reconnected;
    const Error started = reconnected.start(std::make_unique<V4l2Camera>(back->path));
    ASSERT_FALSE(started) << started.message;
    ASSERT_FALSE(reconnected.waitForFrameStartedAfter(0, 10s, frame));
}

}  // namespace
}  // namespace media
