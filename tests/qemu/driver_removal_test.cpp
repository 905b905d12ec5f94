// Removing the driver from under a streaming camera, as an unplug does. Run on its own, last:
// it takes vivid away.
#include <gtest/gtest.h>

#include <chrono>

#include "guest_support.h"
#include "media/devices/buffer_timing.h"
#include "media/devices/live_source.h"
#include "media/devices/v4l2_camera.h"

namespace media {
namespace {

using namespace std::chrono_literals;

TEST(DriverRemoval, UnbindingVividWhileStreamingIsDeviceGone)
{
    const std::string path = guest::nodeNamed("vivid-000-vid-cap");
    ASSERT_FALSE(path.empty());
    LiveSource live;
    const Error e = live.start(std::make_unique<V4l2Camera>(path));
    ASSERT_FALSE(e) << e.message;
    std::shared_ptr<const Frame> frame;
    ASSERT_FALSE(live.waitForFrameStartedAfter(0, 10s, frame));

    ASSERT_TRUE(guest::writeSysfs("/sys/bus/platform/drivers/vivid/unbind", "vivid.0"));
    const Error gone = live.waitForFrameStartedAfter(monotonicNowNs() + 60'000'000'000, 10s, frame);
    EXPECT_EQ(gone.kind, ErrorKind::DeviceGone) << gone.message;
    EXPECT_EQ(live.failure().kind, ErrorKind::DeviceGone);
    EXPECT_FALSE(live.streaming());
    live.stop();

    V4l2Camera again(path);
    EXPECT_EQ(again.start().kind, ErrorKind::DeviceGone) << "the node is gone with the driver";
}

}  // namespace
}  // namespace media
