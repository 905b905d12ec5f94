#include "media/devices/camera_controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "fake_v4l2_io.h"
#include "fake_webcam_controls.h"
#include "media/devices/camera_lock.h"
#include "media/devices/control_memory.h"
#include "media/devices/v4l2_camera.h"

namespace media {
namespace {

using testing::FakeDevice;
using testing::FakeV4l2Io;

std::vector<std::string> Names(const CameraControls& controls) {
    std::vector<std::string> out;
    for (const CameraControl& c : controls.list()) out.push_back(c.name);
    return out;
}

std::vector<std::pair<int32_t, std::string>> Items(const CameraControl& c) {
    std::vector<std::pair<int32_t, std::string>> out;
    for (const ControlItem& item : c.items) out.emplace_back(item.index, item.label);
    return out;
}

class ControlsTest : public ::testing::Test {
protected:
    ControlsTest() { m_dev.controls = testing::WebcamControls(); }

    const CameraControl& control(uint32_t id) {
        const CameraControl* c = m_controls.find(id);
        EXPECT_NE(c, nullptr) << std::hex << id;
        static const CameraControl none;
        return c ? *c : none;
    }

    std::shared_ptr<FakeV4l2Io> m_io = std::make_shared<FakeV4l2Io>();
    FakeDevice& m_dev = m_io->add("/dev/video0");
    CameraControls m_controls{"/dev/video0", m_io};
};

TEST_F(ControlsTest, ListsTheSettingsAUserCanChangeWithTheirKindsRangesAndMenus) {
    ASSERT_FALSE(m_controls.open());
    // Left out: disabled, read-only and write-only ones, buttons, class headings, and classes
    // other than user and camera (a codec's bitrate).
    const std::vector<std::string> expected = {"Brightness",
                                               "Contrast",
                                               "White Balance, Automatic",
                                               "Power Line Frequency",
                                               "White Balance Temperature",
                                               "Auto Exposure",
                                               "Exposure Time, Absolute",
                                               "ISO Sensitivity"};
    EXPECT_EQ(Names(m_controls), expected);

    const CameraControl& contrast = control(V4L2_CID_CONTRAST);
    EXPECT_EQ(contrast.kind, ControlKind::Integer);
    EXPECT_EQ(contrast.minimum, 0);
    EXPECT_EQ(contrast.maximum, 95);
    EXPECT_EQ(contrast.step, 5);
    EXPECT_EQ(contrast.defaultValue, 50);
    EXPECT_EQ(control(V4L2_CID_AUTO_WHITE_BALANCE).kind, ControlKind::Boolean);

    const CameraControl& exposureMode = control(V4L2_CID_EXPOSURE_AUTO);
    EXPECT_EQ(exposureMode.kind, ControlKind::Menu);
    EXPECT_EQ(Items(exposureMode),
              (std::vector<std::pair<int32_t, std::string>>{{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}))
        << "indexes the driver leaves out are not offered";
    const CameraControl& iso = control(V4L2_CID_ISO_SENSITIVITY);
    EXPECT_EQ(iso.kind, ControlKind::IntegerMenu);
    EXPECT_EQ(Items(iso), (std::vector<std::pair<int32_t, std::string>>{{0, "100"}, {1, "200"}, {3, "800"}}));

    // Automatic modes are on: what they govern is shown, but inactive.
    EXPECT_TRUE(control(V4L2_CID_EXPOSURE_ABSOLUTE).inactive);
    EXPECT_TRUE(control(V4L2_CID_WHITE_BALANCE_TEMPERATURE).inactive);
    EXPECT_FALSE(control(V4L2_CID_BRIGHTNESS).inactive);
    EXPECT_TRUE(control(V4L2_CID_EXPOSURE_AUTO).governsOthers);
    EXPECT_TRUE(control(V4L2_CID_AUTO_WHITE_BALANCE).governsOthers);
    EXPECT_FALSE(control(V4L2_CID_BRIGHTNESS).governsOthers);
}

TEST_F(ControlsTest, ReadsCurrentValuesAndTakesTheUpdateFlagAndOlderQueriesIntoAccount) {
    m_dev.controls[0].value = 77;
    m_dev.controls.push_back(testing::MakeFakeControl(V4L2_CID_BACKLIGHT_COMPENSATION, V4L2_CTRL_TYPE_INTEGER,
                                                      "Backlight Compensation", 0, 2, 1, 0, V4L2_CTRL_FLAG_UPDATE));
    ASSERT_FALSE(m_controls.open());
    EXPECT_EQ(control(V4L2_CID_BRIGHTNESS).value, 77);
    EXPECT_EQ(control(V4L2_CID_EXPOSURE_AUTO).value, V4L2_EXPOSURE_APERTURE_PRIORITY);
    EXPECT_TRUE(control(V4L2_CID_BACKLIGHT_COMPENSATION).governsOthers) << "the driver says changing it changes others";

    m_dev.extendedControlQueries = false;
    CameraControls older{"/dev/video0", m_io};
    ASSERT_FALSE(older.open());
    EXPECT_EQ(Names(older), Names(m_controls));
    EXPECT_TRUE(older.find(V4L2_CID_EXPOSURE_ABSOLUTE)->inactive);

    m_io->add("/dev/video1");
    CameraControls none{"/dev/video1", m_io};
    ASSERT_FALSE(none.open());
    EXPECT_TRUE(none.list().empty());
}

TEST_F(ControlsTest, SettingBelievesTheDriverAndAnAutomaticModeChangesWhatIsActive) {
    ASSERT_FALSE(m_controls.open());
    ASSERT_FALSE(m_controls.set(V4L2_CID_BRIGHTNESS, 200));
    EXPECT_EQ(m_io->controlValue("/dev/video0", V4L2_CID_BRIGHTNESS), 200);
    EXPECT_EQ(control(V4L2_CID_BRIGHTNESS).value, 200);

    ASSERT_FALSE(m_controls.set(V4L2_CID_CONTRAST, 53));
    EXPECT_EQ(control(V4L2_CID_CONTRAST).value, 55) << "rounded to the driver's step";

    const Error refused = m_controls.set(V4L2_CID_BRIGHTNESS, 300);
    EXPECT_EQ(refused.kind, ErrorKind::Io);
    EXPECT_NE(refused.message.find("Brightness"), std::string::npos) << refused.message;
    EXPECT_EQ(control(V4L2_CID_BRIGHTNESS).value, 200);
    EXPECT_EQ(m_controls.set(V4L2_CID_GAMMA, 100).kind, ErrorKind::Unsupported) << "not listed";

    ASSERT_FALSE(m_controls.set(V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL));
    EXPECT_FALSE(control(V4L2_CID_EXPOSURE_ABSOLUTE).inactive);
    EXPECT_TRUE(control(V4L2_CID_WHITE_BALANCE_TEMPERATURE).inactive);
}

TEST(ControlMemory, KeepsTheLatestChoicePerControlLast) {
    ControlMemory memory;
    memory.remember(V4L2_CID_BRIGHTNESS, 10);
    memory.remember(V4L2_CID_CONTRAST, 20);
    memory.remember(V4L2_CID_BRIGHTNESS, 30);
    EXPECT_EQ(memory.values(), (std::vector<ControlValue>{{V4L2_CID_CONTRAST, 20}, {V4L2_CID_BRIGHTNESS, 30}}));
}

TEST_F(ControlsTest, ReapplyingPutsAutomaticModesFirstAndSkipsWhatTheyGovern) {
    m_dev.refuseInactiveControls = true;  // as uvcvideo does
    ASSERT_FALSE(m_controls.open());
    // Remembered in an order the camera would refuse: the manual exposure while its automatic
    // mode is still on.
    ControlMemory memory;
    memory.remember(V4L2_CID_CONTRAST, 500);  // out of range: refused, the rest still applied
    memory.remember(V4L2_CID_EXPOSURE_ABSOLUTE, 500);
    memory.remember(V4L2_CID_BRIGHTNESS, 128);                  // already so
    memory.remember(V4L2_CID_WHITE_BALANCE_TEMPERATURE, 5000);  // governed: automatic stays on
    memory.remember(V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL);

    const Error e = memory.applyTo(m_controls);
    EXPECT_EQ(e.kind, ErrorKind::Io);
    EXPECT_NE(e.message.find("Contrast"), std::string::npos) << e.message;
    const std::vector<std::pair<uint32_t, int32_t>> expected = {{V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL},
                                                                {V4L2_CID_EXPOSURE_ABSOLUTE, 500}};
    EXPECT_EQ(m_io->controlsSet(), expected);
    EXPECT_EQ(m_io->controlValue("/dev/video0", V4L2_CID_WHITE_BALANCE_TEMPERATURE), 4600);
}

TEST_F(ControlsTest, AVanishedDeviceIsDeviceGoneAndStopsReapplying) {
    ASSERT_FALSE(m_controls.open());
    m_io->unplug();
    EXPECT_EQ(m_controls.set(V4L2_CID_BRIGHTNESS, 1).kind, ErrorKind::DeviceGone);
    EXPECT_EQ(m_controls.refresh().kind, ErrorKind::DeviceGone);
    ControlMemory memory;
    memory.remember(V4L2_CID_BRIGHTNESS, 1);
    memory.remember(V4L2_CID_CONTRAST, 10);
    EXPECT_EQ(memory.applyTo(m_controls).kind, ErrorKind::DeviceGone);
    EXPECT_TRUE(m_io->controlsSet().empty());

    CameraControls later{"/dev/video0", m_io};
    EXPECT_EQ(later.open().kind, ErrorKind::DeviceGone);
}

TEST_F(ControlsTest, WorkOnTheirOwnDescriptorWhileTheCameraStreams) {
    m_dev.formats = {{V4L2_PIX_FMT_YUYV, {{640, 480}}}};
    V4l2Camera camera{"/dev/video0", m_io};
    ASSERT_FALSE(camera.start());
    ASSERT_FALSE(m_controls.open());
    EXPECT_EQ(m_io->openDescriptors(), 2);
    EXPECT_EQ(m_io->openModes.back(), OpenMode::Query) << "no software controls of libv4l2's";
    ASSERT_FALSE(m_controls.set(V4L2_CID_BRIGHTNESS, 90));
    EXPECT_TRUE(m_io->streaming());
    camera.stop();
    ASSERT_FALSE(m_controls.set(V4L2_CID_BRIGHTNESS, 91));
    EXPECT_EQ(m_io->openDescriptors(), 1);
}

}  // namespace
}  // namespace media

namespace media {
namespace {

using testing::MakeFakeControl;
using SetCalls = std::vector<std::pair<uint32_t, int32_t>>;

// The automatic modes a camera may have beyond the webcam's exposure and white balance.
std::vector<testing::FakeControl> FocusGainAndPriority() {
    std::vector<testing::FakeControl> c(5);
    c[0] = MakeFakeControl(V4L2_CID_AUTOGAIN, V4L2_CTRL_TYPE_BOOLEAN, "Gain, Automatic", 0, 1, 1, 1);
    c[1] = MakeFakeControl(V4L2_CID_GAIN, V4L2_CTRL_TYPE_INTEGER, "Gain", 0, 255, 1, 32);
    c[1].governor = V4L2_CID_AUTOGAIN;
    c[1].value = 77;  // where the automatic gain has taken it
    c[2] = MakeFakeControl(V4L2_CID_EXPOSURE_AUTO_PRIORITY, V4L2_CTRL_TYPE_BOOLEAN, "Exposure, Dynamic Framerate", 0, 1,
                           1, 1);
    c[3] = MakeFakeControl(V4L2_CID_FOCUS_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Focus, Absolute", 0, 250, 5, 0);
    c[3].governor = V4L2_CID_FOCUS_AUTO;
    c[3].value = 135;
    c[4] = MakeFakeControl(V4L2_CID_FOCUS_AUTO, V4L2_CTRL_TYPE_BOOLEAN, "Focus, Automatic Continuous", 0, 1, 1, 1);
    return c;
}

struct LockCase {
    const char* camera;
    std::function<void(FakeDevice&)> build;
    bool hasModes;
    SetCalls locking;               // what the lock sets, in order
    SetCalls unlocking;             // what letting them run again sets
    const char* refusal = nullptr;  // a name the lock's error names
};

TEST(CameraLock, EachAutomaticModeGoesOffWhereItIsAndComesBack) {
    const std::vector<LockCase> cases = {
        {"webcam with every automatic mode",
         [](FakeDevice& d) {
             d.controls = testing::WebcamControls();
             d.controls[9].value = 612;  // the exposure automatic mode had reached
             for (auto& c : FocusGainAndPriority()) d.controls.push_back(c);
             std::sort(d.controls.begin(), d.controls.end(), [](auto& a, auto& b) { return a.id < b.id; });
         },
         true,
         {{V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL},
          {V4L2_CID_EXPOSURE_ABSOLUTE, 612},
          {V4L2_CID_EXPOSURE_AUTO_PRIORITY, 0},
          {V4L2_CID_AUTO_WHITE_BALANCE, 0},
          {V4L2_CID_WHITE_BALANCE_TEMPERATURE, 4600},
          {V4L2_CID_FOCUS_AUTO, 0},
          {V4L2_CID_FOCUS_ABSOLUTE, 135},
          {V4L2_CID_AUTOGAIN, 0},
          {V4L2_CID_GAIN, 77}},
         {{V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_APERTURE_PRIORITY},
          {V4L2_CID_EXPOSURE_AUTO_PRIORITY, 1},
          {V4L2_CID_AUTO_WHITE_BALANCE, 1},
          {V4L2_CID_FOCUS_AUTO, 1},
          {V4L2_CID_AUTOGAIN, 1}}},
        {"automatic gain only, as vivid",
         [](FakeDevice& d) {
             auto c = FocusGainAndPriority();
             d.controls = {c[0], c[1]};
         },
         true,
         {{V4L2_CID_AUTOGAIN, 0}, {V4L2_CID_GAIN, 77}},
         {{V4L2_CID_AUTOGAIN, 1}}},
        {"no automatic mode", [](FakeDevice& d) { d.controls = {testing::WebcamControls()[0]}; }, false, {}, {}},
        {"a 3A lock in place of the separate modes",
         [](FakeDevice& d) {
             d.controls = testing::WebcamControls();
             d.controls.push_back(MakeFakeControl(V4L2_CID_3A_LOCK, V4L2_CTRL_TYPE_BITMASK, "3A Lock", 0, 7, 1, 0));
         },
         true,
         {{V4L2_CID_3A_LOCK, 7}},
         {{V4L2_CID_3A_LOCK, 0}}},
        {"a focus that refuses to change while streaming",
         [](FakeDevice& d) {
             d.controls = FocusGainAndPriority();
             d.controls[4].setErrno = EBUSY;
         },
         true,
         {{V4L2_CID_EXPOSURE_AUTO_PRIORITY, 0}, {V4L2_CID_AUTOGAIN, 0}, {V4L2_CID_GAIN, 77}},
         {{V4L2_CID_EXPOSURE_AUTO_PRIORITY, 1}, {V4L2_CID_AUTOGAIN, 1}},
         "Focus, Automatic Continuous"},
    };
    for (const LockCase& c : cases) {
        SCOPED_TRACE(c.camera);
        auto io = std::make_shared<FakeV4l2Io>();
        c.build(io->add("/dev/video0"));
        CameraControls controls{"/dev/video0", io};
        ASSERT_FALSE(controls.open());
        EXPECT_EQ(HasAutomaticModes(controls), c.hasModes);
        EXPECT_FALSE(AutomaticModesLocked(controls));

        std::vector<ControlValue> settled;
        const Error locked = LockAutomaticModes(controls, settled);
        EXPECT_EQ(io->controlsSet(), c.locking);
        if (c.refusal) {
            EXPECT_NE(locked.message.find(c.refusal), std::string::npos) << locked.message;
            EXPECT_FALSE(AutomaticModesLocked(controls));
        } else {
            EXPECT_FALSE(locked) << locked.message;
            EXPECT_EQ(AutomaticModesLocked(controls), c.hasModes);
            std::vector<ControlValue> expected;
            for (const auto& [id, value] : c.locking) expected.push_back({id, value});
            EXPECT_EQ(settled, expected) << "what the lock set is what the caller remembers";
        }

        const size_t before = io->controlsSet().size();
        settled.clear();
        const Error unlocked = UnlockAutomaticModes(controls, settled);
        EXPECT_FALSE(unlocked) << unlocked.message;
        const SetCalls all = io->controlsSet();
        EXPECT_EQ(SetCalls(all.begin() + before, all.end()), c.unlocking);
        EXPECT_FALSE(AutomaticModesLocked(controls));
    }
}

}  // namespace
}  // namespace media
