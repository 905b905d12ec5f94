// A stills camera's settings through its worker: found under the body's names, read back after
// writing, focus stepped, and the lock check naming what still floats.
#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>

#include "fake_gphoto_io.h"
#include "media/stills/stills_settings.h"

namespace media {
namespace {

using namespace std::chrono_literals;
using testing::FakeCall;
using testing::FakeGphotoIo;

class StillsSettingsTest : public ::testing::Test {
protected:
    StillsSettingsTest() {
        auto io = std::make_unique<FakeGphotoIo>();
        m_fake = io.get();
        m_camera = std::make_unique<StillsCamera>(
            std::move(io), DetectedCamera{std::string(kSceneCameraModel), std::string(kSceneCameraPort)});
        m_camera->setEventListener([this](const StillsEvent& e) {
            std::lock_guard lock(m_mutex);
            m_events.push_back(e);
            m_changed.notify_all();
        });
        EXPECT_FALSE(m_camera->open());
    }
    ~StillsSettingsTest() override { m_camera->setEventListener(nullptr); }

    // The events of the requests made so far, once the worker has carried them all out.
    std::vector<StillsEvent> answers() {
        bool done = false;
        m_camera->post([&](GphotoIo&) -> std::optional<StillsEvent> {
            std::lock_guard lock(m_mutex);
            done = true;
            m_changed.notify_all();
            return std::nullopt;
        });
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, 5s, [&] { return done; });
        return std::exchange(m_events, {});
    }

    FakeGphotoIo* m_fake;
    std::unique_ptr<StillsCamera> m_camera;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<StillsEvent> m_events;
};

TEST_F(StillsSettingsTest, FindsEachSettingTheBodyHasUnderItsOwnName) {
    RequestStillsSettings(*m_camera);
    std::vector<std::string> names;
    for (const StillsEvent& e : answers()) {
        EXPECT_EQ(e.kind, StillsEventKind::SettingRead);
        names.push_back(e.setting.name);
    }
    EXPECT_EQ(names, std::vector<std::string>({"autoexposuremode", "iso", "shutterspeed", "aperture", "whitebalance",
                                               "picturestyle", "imageformat", "focusmode"}));
}

TEST_F(StillsSettingsTest, WrittenValuesAreReadBackAndAKeptValueIsSaid) {
    struct Case {
        const char* name;
        const char* value;
        StillsEventKind kind;
        const char* readBack;
        const char* says;  // in the error, or "" for none
    };
    const Case cases[] = {
        {"shutterspeed", "1/250", StillsEventKind::SettingRead, "1/60", "kept Shutter Speed at 1/60"},
        {"autoexposuremode", "Manual", StillsEventKind::SettingRead, "Manual", ""},
        {"shutterspeed", "1/250", StillsEventKind::SettingRead, "1/250", ""},
        {"iso", "51200", StillsEventKind::SettingFailed, "", "Cannot set iso to 51200"},
    };
    for (const Case& c : cases) {
        RequestSettingChange(*m_camera, c.name, c.value);
        const std::vector<StillsEvent> events = answers();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].kind, c.kind) << c.name;
        if (c.kind == StillsEventKind::SettingRead) {
            EXPECT_EQ(events[0].setting.value, c.readBack) << c.name;
        }
        EXPECT_NE(events[0].error.message.find(c.says), std::string::npos) << events[0].error.message;
        EXPECT_EQ(bool(events[0].error), *c.says != 0) << c.name;
    }
}

TEST_F(StillsSettingsTest, FocusStepsAreValuesTheBodyTakesAndABusyOneSaysWhy) {
    for (int steps : {-3, -2, -1, 1, 2, 3}) RequestFocusStep(*m_camera, steps);
    EXPECT_TRUE(answers().empty());
    m_fake->fail(FakeCall::SetConfig, GP_ERROR_CAMERA_BUSY);
    RequestFocusStep(*m_camera, -1);
    const std::vector<StillsEvent> events = answers();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, StillsEventKind::SettingFailed);
    EXPECT_NE(events[0].error.message.find("Cannot focus nearer: the camera is busy"), std::string::npos);
}

TEST_F(StillsSettingsTest, RememberedSettingsComeBackWhateverOrderTheyWereChosenIn) {
    StillsSettingsMemory memory;
    memory.remember("shutterspeed", "1/125");
    memory.remember("autoexposuremode", "Manual");  // chosen after: the dial was turned later
    memory.remember("shutterspeed", "1/250");
    memory.applyTo(*m_camera);
    std::map<std::string, StillsEvent> last;
    for (const StillsEvent& e : answers()) last[e.setting.name] = e;
    EXPECT_EQ(last["shutterspeed"].setting.value, "1/250");
    EXPECT_FALSE(last["shutterspeed"].error) << last["shutterspeed"].error.message;
}

ConfigWidget Setting(const char* name, const char* value) {
    ConfigWidget w;
    w.name = name;
    w.value = value;
    return w;
}

TEST(CheckStillsLock, LockedOnlyWithManualExposureFixedIsoAndWhiteBalance) {
    struct Case {
        std::vector<ConfigWidget> settings;
        bool locked;
        const char* says;
    };
    const Case cases[] = {
        {{Setting("autoexposuremode", "Manual"), Setting("iso", "100"), Setting("whitebalance", "Daylight")},
         true,
         "fixed"},
        {{Setting("autoexposuremode", "AV"), Setting("iso", "Auto"), Setting("whitebalance", "Auto")},
         false,
         "Still automatic: exposure mode AV, ISO Auto, white balance Auto."},
        {{Setting("expprogram", "M"), Setting("iso", "400"), Setting("whitebalance", "AWB")},
         false,
         "Still automatic: white balance AWB."},
        {{Setting("iso", "100"), Setting("whitebalance", "Daylight")}, false, "set its mode dial to M"},
    };
    for (const Case& c : cases) {
        const StillsLockCheck check = CheckStillsLock(c.settings);
        EXPECT_EQ(check.locked, c.locked) << check.message;
        EXPECT_NE(check.message.find(c.says), std::string::npos) << check.message;
    }
}

}  // namespace
}  // namespace media
