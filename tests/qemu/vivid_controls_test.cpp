// Camera settings and picture sizes against vivid, whose controls include every kind a settings
// dialog meets: ranges, switches, menus with left-out items, and an automatic gain that governs
// the manual one.
#include <gtest/gtest.h>

#include <linux/videodev2.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "guest_support.h"
#include "media/devices/camera_controls.h"
#include "media/devices/camera_lock.h"
#include "media/devices/control_memory.h"
#include "media/devices/live_source.h"
#include "media/devices/v4l2_camera.h"

namespace media {
namespace {

using namespace std::chrono_literals;

class VividControls : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = guest::NodeNamed("vivid-000-vid-cap");
        ASSERT_FALSE(m_path.empty()) << "vivid's capture node is missing";
    }

    // vivid keeps its values while loaded: leave them as the other tests expect.
    void TearDown() override {
        CameraControls controls(m_path);
        if (controls.open()) return;
        std::vector<ControlValue> defaults;
        for (const CameraControl& c : controls.list()) defaults.push_back({c.id, c.defaultValue});
        controls.apply(defaults);
    }

    std::string m_path;
};

const CameraControl* Named(const CameraControls& controls, const std::string& name) {
    const auto& list = controls.list();
    const auto it = std::find_if(list.begin(), list.end(), [&](const CameraControl& c) { return c.name == name; });
    return it == list.end() ? nullptr : &*it;
}

TEST_F(VividControls, ListsItsSettingsWithMenusAndTheGainItsAutomaticModeGoverns) {
    CameraControls controls(m_path);
    const Error e = controls.open();
    ASSERT_FALSE(e) << e.message;

    const CameraControl* brightness = Named(controls, "Brightness");
    ASSERT_NE(brightness, nullptr);
    EXPECT_EQ(brightness->kind, ControlKind::Integer);
    EXPECT_EQ(brightness->minimum, 0);
    EXPECT_EQ(brightness->maximum, 255);
    EXPECT_EQ(brightness->defaultValue, 128);
    for (const char* name : {"Contrast", "Saturation", "Hue"}) EXPECT_NE(Named(controls, name), nullptr) << name;

    const CameraControl* autoGain = controls.find(V4L2_CID_AUTOGAIN);
    const CameraControl* gain = controls.find(V4L2_CID_GAIN);
    ASSERT_NE(autoGain, nullptr);
    ASSERT_NE(gain, nullptr);
    EXPECT_EQ(autoGain->kind, ControlKind::Boolean);
    EXPECT_EQ(autoGain->value, 1);
    EXPECT_TRUE(autoGain->governsOthers);
    EXPECT_TRUE(gain->inactive) << "automatic gain is on";

    const CameraControl* menu = Named(controls, "Menu");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->kind, ControlKind::Menu);
    std::vector<int32_t> indexes;
    for (const ControlItem& item : menu->items) indexes.push_back(item.index);
    EXPECT_EQ(indexes, (std::vector<int32_t>{1, 3, 4})) << "the skipped item is left out";
    EXPECT_EQ(menu->items.front().label, "Menu Item 1");
    const CameraControl* integerMenu = Named(controls, "Integer Menu");
    ASSERT_NE(integerMenu, nullptr);
    EXPECT_EQ(integerMenu->kind, ControlKind::IntegerMenu);
    ASSERT_FALSE(integerMenu->items.empty());
    EXPECT_NE(integerMenu->items.front().index, 1) << "the skipped item is left out";

    // Actions, 64-bit and string values, and vivid's own test settings are not camera settings.
    for (const char* name : {"Button", "Disconnect", "Integer 64 Bits", "String", "Test Pattern"})
        EXPECT_EQ(Named(controls, name), nullptr) << name;
}

TEST_F(VividControls, ValuesSetWhileStreamingReadBackAndTurningAutoGainOffFreesTheGain) {
    LiveSource live;
    ASSERT_FALSE(live.start(std::make_unique<V4l2Camera>(m_path)));
    CameraControls controls(m_path);
    ASSERT_FALSE(controls.open());

    ASSERT_FALSE(controls.set(V4L2_CID_BRIGHTNESS, 200));
    EXPECT_EQ(controls.find(V4L2_CID_BRIGHTNESS)->value, 200);
    ASSERT_FALSE(controls.set(V4L2_CID_AUTOGAIN, 0));
    EXPECT_FALSE(controls.find(V4L2_CID_GAIN)->inactive);
    ASSERT_FALSE(controls.set(V4L2_CID_GAIN, 50));

    CameraControls another(m_path);
    ASSERT_FALSE(another.open());
    EXPECT_EQ(another.find(V4L2_CID_BRIGHTNESS)->value, 200);
    EXPECT_EQ(another.find(V4L2_CID_GAIN)->value, 50);

    // Remembered values go back in an order the driver takes: the automatic mode first.
    ASSERT_FALSE(another.set(V4L2_CID_AUTOGAIN, 1));
    ControlMemory memory;
    memory.remember(V4L2_CID_GAIN, 60);
    memory.remember(V4L2_CID_AUTOGAIN, 0);
    ASSERT_FALSE(memory.applyTo(another));
    EXPECT_EQ(another.find(V4L2_CID_GAIN)->value, 60);
    EXPECT_TRUE(live.streaming());
    live.stop();
    EXPECT_FALSE(live.failure());
}

TEST_F(VividControls, TheLockTurnsAutomaticGainOffWhereItIsAndLetsItRunAgain) {
    LiveSource live;
    ASSERT_FALSE(live.start(std::make_unique<V4l2Camera>(m_path)));
    CameraControls controls(m_path);
    ASSERT_FALSE(controls.open());
    ASSERT_TRUE(HasAutomaticModes(controls));
    ASSERT_FALSE(AutomaticModesLocked(controls));

    std::vector<ControlValue> settled;
    const Error locked = LockAutomaticModes(controls, settled);
    ASSERT_FALSE(locked) << locked.message;
    EXPECT_TRUE(AutomaticModesLocked(controls));
    CameraControls reread(m_path);
    ASSERT_FALSE(reread.open());
    EXPECT_EQ(reread.find(V4L2_CID_AUTOGAIN)->value, 0);
    EXPECT_FALSE(reread.find(V4L2_CID_GAIN)->inactive);
    EXPECT_NE(std::find(settled.begin(), settled.end(), ControlValue{V4L2_CID_AUTOGAIN, 0}), settled.end());

    settled.clear();
    ASSERT_FALSE(UnlockAutomaticModes(controls, settled));
    ASSERT_FALSE(reread.refresh());
    EXPECT_EQ(reread.find(V4L2_CID_AUTOGAIN)->value, 1);
    EXPECT_TRUE(reread.find(V4L2_CID_GAIN)->inactive);
    EXPECT_TRUE(live.streaming());
}

TEST_F(VividControls, StreamsAtAWantedSizeAmongThoseOffered) {
    V4l2Camera camera(m_path, SystemV4l2Io(), FrameSize{640, 480});
    const Error e = camera.start();
    ASSERT_FALSE(e) << e.message;
    EXPECT_EQ(camera.format().width, 640);
    EXPECT_EQ(camera.format().height, 480);
    const auto offered = camera.offeredSizes();
    for (const FrameSize size : {FrameSize{640, 480}, FrameSize{1280, 720}}) {
        EXPECT_NE(std::find(offered.begin(), offered.end(), size), offered.end()) << size.width << "x" << size.height;
    }
    Frame frame;
    ASSERT_FALSE(camera.readFrame(frame));
    EXPECT_EQ(frame.data.size(), size_t(640) * 480 * 2);

    // Its formats with their rates, and a rate other than the one it ran at.
    const std::vector<OfferedFormat> formats = camera.offeredFormats();
    ASSERT_FALSE(formats.empty());
    EXPECT_EQ(formats.front().format, PixelFormat::Yuyv);
    const auto vga = std::find_if(formats.front().sizes.begin(), formats.front().sizes.end(), [](const OfferedSize& s) {
        return s.size == FrameSize{640, 480};
    });
    ASSERT_NE(vga, formats.front().sizes.end());
    ASSERT_GE(vga->intervals.size(), 2u) << "vivid lists several frame rates";
    const FrameInterval running{camera.format().frameIntervalNumerator, camera.format().frameIntervalDenominator};
    const FrameInterval other = vga->intervals.front() == running ? vga->intervals.back() : vga->intervals.front();
    camera.stop();
    V4l2Camera slower(m_path, SystemV4l2Io(), StreamRequest{FrameSize{640, 480}, PixelFormat::Yuyv, other});
    ASSERT_FALSE(slower.start());
    EXPECT_EQ((FrameInterval{slower.format().frameIntervalNumerator, slower.format().frameIntervalDenominator}), other);
}

}  // namespace
}  // namespace media
