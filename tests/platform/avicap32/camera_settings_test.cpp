// The capture window keeps what the user set: camera settings survive a reconnect and a new
// picture size, and the picture size changes only between recordings.
#include "capture_window.h"
#include "avicap32_private.h"
#include "drivers.h"
#include "fake_gphoto_io.h"
#include "program_registration.h"
#include "source_settings.h"
#include "fake_v4l2_io.h"
#include "fake_webcam_controls.h"
#include "live_dialog.h"
#include "media/avi/avi_reader.h"
#include "scripted_modals.h"

#include "test_resources.h"
#include "seams.h"
#include "vfw.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <QComboBox>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using SetCalls = std::vector<std::pair<uint32_t, int32_t>>;

INT_PTR CALLBACK NoProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::vector<std::wstring> g_errors;

LRESULT CALLBACK RecordError(HWND, int, LPCWSTR text) {
    g_errors.push_back(text ? text : L"");
    return TRUE;
}

class CameraSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_errors.clear();
        m_parent = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_TWO_DEFAULTS), nullptr, &NoProc, 0);
        ASSERT_NE(m_parent, nullptr);
        m_window = capCreateCaptureWindowW(L"Video Window", WS_CHILD | WS_VISIBLE, 0, 0, 320, 240, m_parent, 0);
        ASSERT_TRUE(IsWindow(m_window));
        send(WM_CAP_SET_CALLBACK_ERRORW, 0, reinterpret_cast<LPARAM>(&RecordError));
    }

    void TearDown() override {
        if (IsWindow(m_parent)) DestroyWindow(m_parent);
        avicap32::SetCameraIoForTesting(nullptr);
    }

    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(m_window, message, wParam, lParam);
    }
    avicap32::CaptureWindow& window() { return *static_cast<avicap32::CaptureWindow*>(user32::FromHandle(m_window)); }
    media::FrameSize streamed() {
        media::StreamFormat f = window().device().live().format();
        return {f.width, f.height};
    }
    // What the Source dialog works with, as it does when it opens.
    avicap32::SourceSettings openSourceSettings() {
        media::Error error;
        auto settings = window().device().openSourceSettings(error);
        EXPECT_FALSE(error) << error.message;
        return std::move(*settings);
    }

    HWND m_parent = nullptr;
    HWND m_window = nullptr;
};

// A webcam behind the scripted driver that, like many, forgets its settings when it starts
// streaming again, and refuses manual values while their automatic mode is on.
class FakeCameraTest : public CameraSettingsTest {
protected:
    void SetUp() override {
        m_device.formats = {{V4L2_PIX_FMT_YUYV, {{640, 480}, {1280, 720}}}};
        m_device.controls = media::testing::WebcamControls();
        m_device.controlsResetOnStreamOn = true;
        m_device.refuseInactiveControls = true;
        avicap32::SetCameraIoForTesting(m_io);
        avicap32::SetCaptureDeviceVariable("PLATFORM_TEST_CAPTURE_DEVICE");
        setenv("PLATFORM_TEST_CAPTURE_DEVICE", kPath, 1);
        CameraSettingsTest::SetUp();
    }

    int32_t value(uint32_t id) { return m_io->controlValue(kPath, id); }

    static constexpr char kPath[] = "/dev/video0";
    std::shared_ptr<media::testing::FakeV4l2Io> m_io = std::make_shared<media::testing::FakeV4l2Io>();
    media::testing::FakeDevice& m_device = m_io->add(kPath);
};

TEST_F(FakeCameraTest, TheUsersSettingsComeBackAfterAReconnectAndASizeChange) {
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    EXPECT_TRUE(m_io->controlsSet().empty()) << "nothing the user did not set is touched";
    {
        avicap32::SourceSettings settings = openSourceSettings();
        ASSERT_FALSE(settings.set(V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL));
        ASSERT_FALSE(settings.set(V4L2_CID_EXPOSURE_ABSOLUTE, 700));
        ASSERT_FALSE(settings.set(V4L2_CID_BRIGHTNESS, 41));
    }
    const SetCalls byTheUser = {
        {V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL}, {V4L2_CID_EXPOSURE_ABSOLUTE, 700}, {V4L2_CID_BRIGHTNESS, 41}};
    ASSERT_EQ(m_io->controlsSet(), byTheUser);

    ASSERT_TRUE(send(WM_CAP_DRIVER_DISCONNECT));
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    EXPECT_EQ(value(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
    EXPECT_EQ(value(V4L2_CID_EXPOSURE_ABSOLUTE), 700) << "set after its automatic mode went off";
    EXPECT_EQ(value(V4L2_CID_BRIGHTNESS), 41);

    ASSERT_EQ(streamed(), (media::FrameSize{1280, 720})) << "the size our policy picks";
    ASSERT_FALSE(window().device().setStream({media::FrameSize{640, 480}}));
    EXPECT_EQ(streamed(), (media::FrameSize{640, 480}));
    EXPECT_EQ(m_io->lastRequested->width, 640u);
    EXPECT_EQ(value(V4L2_CID_EXPOSURE_ABSOLUTE), 700);
    EXPECT_EQ(value(V4L2_CID_BRIGHTNESS), 41);
    SetCalls expected = byTheUser;
    for (int restart = 0; restart < 2; ++restart) expected.insert(expected.end(), byTheUser.begin(), byTheUser.end());
    EXPECT_EQ(m_io->controlsSet(), expected) << "each restart puts back what the user set, in an order that works";
    EXPECT_TRUE(g_errors.empty());

    // The size chosen stays with the camera when it is connected again.
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    EXPECT_EQ(streamed(), (media::FrameSize{640, 480}));
}

TEST_F(FakeCameraTest, CancelPutsBackTheValuesFromBeforeAndDefaultsAreTheDrivers) {
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    {
        avicap32::SourceSettings settings = openSourceSettings();
        ASSERT_FALSE(settings.set(V4L2_CID_BRIGHTNESS, 41));
        ASSERT_FALSE(settings.set(V4L2_CID_AUTO_WHITE_BALANCE, 0));
        ASSERT_FALSE(settings.set(V4L2_CID_WHITE_BALANCE_TEMPERATURE, 3000));
    }
    const media::ControlMemory kept = window().device().rememberedControls();
    {
        avicap32::SourceSettings settings = openSourceSettings();
        ASSERT_FALSE(settings.set(V4L2_CID_BRIGHTNESS, 200));
        ASSERT_FALSE(settings.set(V4L2_CID_AUTO_WHITE_BALANCE, 1));
        for (const media::CameraControl& c : settings.controls()) {
            if (c.id == V4L2_CID_WHITE_BALANCE_TEMPERATURE) {
                EXPECT_TRUE(c.inactive) << "automatic white balance is on again";
            }
        }
        ASSERT_FALSE(settings.restore());
    }
    EXPECT_EQ(value(V4L2_CID_BRIGHTNESS), 41);
    EXPECT_EQ(value(V4L2_CID_AUTO_WHITE_BALANCE), 0);
    EXPECT_EQ(value(V4L2_CID_WHITE_BALANCE_TEMPERATURE), 3000);
    EXPECT_EQ(window().device().rememberedControls(), kept) << "what Cancel undid is not put back later";

    {
        avicap32::SourceSettings settings = openSourceSettings();
        ASSERT_FALSE(settings.resetToDefaults());
    }
    EXPECT_EQ(value(V4L2_CID_BRIGHTNESS), 128);
    EXPECT_EQ(value(V4L2_CID_AUTO_WHITE_BALANCE), 1);
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    EXPECT_EQ(value(V4L2_CID_BRIGHTNESS), 128);
    EXPECT_EQ(value(V4L2_CID_AUTO_WHITE_BALANCE), 1);
}

TEST_F(FakeCameraTest, AVanishedCameraIsSaidSo) {
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    avicap32::SourceSettings settings = openSourceSettings();
    m_io->unplug();
    EXPECT_EQ(settings.set(V4L2_CID_BRIGHTNESS, 1).kind, media::ErrorKind::DeviceGone);
    media::Error error;
    EXPECT_EQ(window().device().openSourceSettings(error), nullptr);
    EXPECT_EQ(error.kind, media::ErrorKind::DeviceGone);
}

class TestSceneSizeTest : public CameraSettingsTest {
protected:
    void SetUp() override {
        avicap32::SetCaptureDeviceVariable("PLATFORM_TEST_CAPTURE_DEVICE");
        setenv("PLATFORM_TEST_CAPTURE_DEVICE", "test:320x240", 1);
        m_folder = fs::temp_directory_path() / ("kinoree-sizes-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
        CameraSettingsTest::SetUp();
    }
    void TearDown() override {
        CameraSettingsTest::TearDown();
        fs::remove_all(m_folder);
    }
    fs::path m_folder;
};

TEST_F(TestSceneSizeTest, ANewSizeRestartsTheStreamButNotDuringARecording) {
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    EXPECT_EQ(window().device().live().offeredSizes(),
              (std::vector<media::FrameSize>{{320, 240}, {640, 480}, {1280, 720}}));
    ASSERT_FALSE(window().device().setStream({media::FrameSize{640, 480}}));
    EXPECT_EQ(streamed(), (media::FrameSize{640, 480}));

    const fs::path file = m_folder / "take.avi";
    const std::wstring wide = file.wstring();
    send(WM_CAP_FILE_SET_CAPTURE_FILEW, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));
    const media::Error refused = window().device().setStream({media::FrameSize{1280, 720}});
    EXPECT_EQ(refused.kind, media::ErrorKind::Unsupported);
    EXPECT_NE(refused.message.find("record"), std::string::npos) << refused.message;
    EXPECT_FALSE(window().device().setStream({media::FrameSize{640, 480}})) << "keeping the size is no change";
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_CLOSE));

    media::AviReader reader;
    ASSERT_FALSE(reader.open(file.string()));
    EXPECT_EQ(reader.frames().size(), 2u);
    EXPECT_EQ(reader.headers().width, 640u);
    EXPECT_EQ(reader.headers().height, 480u);

    ASSERT_FALSE(window().device().setStream({media::FrameSize{1280, 720}})) << "allowed again once the file is closed";
    EXPECT_EQ(streamed(), (media::FrameSize{1280, 720}));
    EXPECT_TRUE(g_errors.empty());
}

TEST_F(TestSceneSizeTest, DriverDialogsShowWithoutChangingAnythingOnTheirOwn) {
    testing_support::ScriptedModals modals;
    modals.expectDriverDialog(L"Video Source", false);
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOSOURCE)) << "where a device is chosen when none is connected";
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    modals.expectLiveDialog(L"Video Source", [](testing_support::LiveDialog& dialog) {
        EXPECT_EQ(dialog.text("Device"), "Built-in test scene");
        dialog.press("OK");
    });
    modals.expectDriverDialog(L"Video Format", true);
    modals.expectDriverDialog(L"Video Display", true);
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOSOURCE));
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOFORMAT));
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEODISPLAY));
    modals.verify();
    EXPECT_EQ(streamed(), (media::FrameSize{320, 240}));
}

// The test plays the user on the live dialogs: what it sets goes through the dialogs' own OK and
// Cancel paths, including an OK the dialog refuses.
TEST_F(TestSceneSizeTest, LiveDriverDialogsApplyWhatTheUserSetOnlyOnOk) {
    using testing_support::LiveDialog;
    testing_support::ScriptedModals modals;
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    modals.expectLiveDialog(L"Video Format", [](LiveDialog& dialog) {
        dialog.choose("Picture size", "1280 x 720");
        dialog.press("Cancel");
    });
    modals.expectLiveDialog(L"Video Format", [](LiveDialog& dialog) {
        EXPECT_EQ(dialog.text("Picture size"), "320 x 240");
        dialog.choose("Picture size", "640 x 480");
        dialog.press("OK");
        EXPECT_FALSE(dialog.isOpen());
    });
    modals.expectLiveDialog(L"Video Compression", [](LiveDialog& dialog) {
        dialog.check("Full frames (uncompressed)");
        dialog.press("OK");
    });
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOFORMAT));
    EXPECT_EQ(streamed(), (media::FrameSize{320, 240}));
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOFORMAT));
    EXPECT_EQ(streamed(), (media::FrameSize{640, 480}));
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOCOMPRESSION));
    EXPECT_EQ(window().device().codec(), media::AviVideoCodec::Dib);

    const std::wstring file = (m_folder / "take.avi").wstring();
    send(WM_CAP_FILE_SET_CAPTURE_FILEW, 0, reinterpret_cast<LPARAM>(file.c_str()));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME));
    modals.expectLiveDialog(L"Video Format", [](LiveDialog& dialog) {
        dialog.choose("Picture size", "1280 x 720");
        dialog.press("OK");
        EXPECT_TRUE(dialog.isOpen()) << "refused while recording";
        EXPECT_TRUE(dialog.shows("recorded"));
        dialog.press("Cancel");
    });
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOFORMAT));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_CLOSE));
    EXPECT_EQ(streamed(), (media::FrameSize{640, 480}));

    // A dialog the script leaves open, or does not expect, fails the test and is cancelled.
    modals.expectLiveDialog(L"Video Compression", [](LiveDialog& dialog) { dialog.check("Motion JPEG"); });
    EXPECT_NONFATAL_FAILURE(send(WM_CAP_DLG_VIDEOCOMPRESSION), "left open");
    EXPECT_NONFATAL_FAILURE(send(WM_CAP_DLG_VIDEODISPLAY), "unexpected live dialog");
    EXPECT_EQ(window().device().codec(), media::AviVideoCodec::Dib);
}

}  // namespace

namespace {

using testing_support::LiveDialog;

std::vector<QString> Items(LiveDialog& dialog, const QString& list) {
    std::vector<QString> items;
    if (auto* combo = dialog.find<QComboBox>(list)) {
        for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i));
    }
    return items;
}

// Two webcams of one model on two ports, and the metadata node the first one also has, in a
// device folder of their own; nothing chosen through the environment variable.
class DeviceChoiceTest : public CameraSettingsTest {
protected:
    void SetUp() override {
        avicap32::SetCaptureDeviceVariable("PLATFORM_TEST_CAPTURE_DEVICE");
        unsetenv("PLATFORM_TEST_CAPTURE_DEVICE");
        m_dir = fs::temp_directory_path() / ("kinoree-devices-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        for (const char* node : {"video0", "video1", "video2"}) std::ofstream(m_dir / node).put('\n');
        for (const char* node : {"video0", "video2"}) {
            media::testing::FakeDevice& camera = m_io->add(path(node));
            camera.card = "HD Webcam";
            camera.busInfo = std::string("usb-0000:00:14.0-") + (node[5] == '0' ? "2" : "3");
            camera.formats = {{V4L2_PIX_FMT_YUYV, {{640, 480}}}};
            camera.controls = media::testing::WebcamControls();
            camera.controlsResetOnStreamOn = true;
        }
        m_io->add(path("video1")).caps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
        avicap32::SetCameraIoForTesting(m_io, m_dir.string());
        // No stills camera attached, whatever is plugged into the machine running the tests.
        avicap32::SetStillsIoForTesting([] {
            auto none = std::make_unique<media::testing::FakeGphotoIo>();
            none->setAttached({});
            return none;
        });
        CameraSettingsTest::SetUp();
    }
    void TearDown() override {
        CameraSettingsTest::TearDown();
        avicap32::SetStillsIoForTesting(nullptr);
        fs::remove_all(m_dir);
    }

    std::string path(const char* node) const { return (m_dir / node).string(); }
    std::string connected() {
        return window().device().driver() ? window().device().driver()->devicePath : std::string();
    }
    int32_t value(const char* node, uint32_t id) { return m_io->controlValue(path(node), id); }

    fs::path m_dir;
    std::shared_ptr<media::testing::FakeV4l2Io> m_io = std::make_shared<media::testing::FakeV4l2Io>();
};

TEST_F(DeviceChoiceTest, TheSourceDialogSwitchesDevicesLocksThemAndCancelUndoesBoth) {
    testing_support::ScriptedModals modals;
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    ASSERT_EQ(connected(), path("video0"));
    m_io->add(path("video0")).controls[2].setErrno = EBUSY;  // white balance held while streaming

    modals.expectLiveDialog(L"Video Source", [&](LiveDialog& dialog) {
        EXPECT_EQ(Items(dialog, "Device"),
                  (std::vector<QString>{"HD Webcam (port 2)", "HD Webcam (port 3)", "Built-in test scene",
                                        "Built-in test stills camera"}));
        dialog.press("Lock exposure, white balance and focus");
        EXPECT_TRUE(dialog.shows("\"White Balance, Automatic\" cannot be changed now")) << "the refusal is told";
        dialog.choose("Device", "HD Webcam (port 3)");
        EXPECT_EQ(connected(), path("video2")) << "choosing connects at once";
        dialog.press("Lock exposure, white balance and focus");
        EXPECT_EQ(value("video2", V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
        EXPECT_EQ(value("video2", V4L2_CID_AUTO_WHITE_BALANCE), 0);
        EXPECT_TRUE(dialog.shows("Locked"));
        dialog.press("Cancel");
    });
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOSOURCE));
    EXPECT_EQ(connected(), path("video0")) << "Cancel goes back to the device the window had";
    EXPECT_EQ(value("video2", V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_APERTURE_PRIORITY);
    EXPECT_EQ(value("video0", V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_APERTURE_PRIORITY);

    modals.expectLiveDialog(L"Video Source", [&](LiveDialog& dialog) {
        dialog.choose("Device", "HD Webcam (port 3)");
        dialog.press("Lock exposure, white balance and focus");
        dialog.press("OK");
    });
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOSOURCE));
    ASSERT_EQ(connected(), path("video2"));

    // Next run: driver 0 is the device used last, locked again though it forgot its settings.
    ASSERT_TRUE(send(WM_CAP_DRIVER_DISCONNECT));
    ASSERT_TRUE(send(WM_CAP_DRIVER_CONNECT, 0));
    EXPECT_EQ(connected(), path("video2"));
    EXPECT_EQ(value("video2", V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
    EXPECT_EQ(value("video2", V4L2_CID_AUTO_WHITE_BALANCE), 0);

    // Unplugged and plugged back in: connected again, with its settings.
    m_io->unplug();
    window().device().deviceRemoved(path("video2"));
    EXPECT_EQ(connected(), "");
    m_io->replug();
    window().device().deviceAdded(path("video0"));
    EXPECT_EQ(connected(), "") << "another camera is not the one that was lost";
    window().device().deviceAdded(path("video2"));
    EXPECT_EQ(connected(), path("video2"));
    EXPECT_EQ(value("video2", V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);

    // A recording keeps its device.
    const std::wstring file = (m_dir / "take.avi").wstring();
    send(WM_CAP_FILE_SET_CAPTURE_FILEW, 0, reinterpret_cast<LPARAM>(file.c_str()));
    ASSERT_TRUE(send(WM_CAP_SINGLE_FRAME_OPEN));
    modals.expectLiveDialog(L"Video Source", [&](LiveDialog& dialog) {
        dialog.choose("Device", "Built-in test scene");
        EXPECT_TRUE(dialog.shows("A video is being recorded"));
        EXPECT_EQ(dialog.text("Device"), "HD Webcam (port 3)");
        dialog.press("OK");
    });
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOSOURCE));
    EXPECT_EQ(connected(), path("video2"));
    send(WM_CAP_SINGLE_FRAME_CLOSE);
}

// A camera plugged in after a start without one is connected when it appears.
TEST_F(DeviceChoiceTest, ACameraPluggedInLaterIsConnected) {
    for (const char* node : {"video0", "video1", "video2"}) fs::remove(m_dir / node);
    EXPECT_FALSE(send(WM_CAP_DRIVER_CONNECT, 0));
    std::ofstream(m_dir / "video2").put('\n');
    window().device().deviceAdded(path("video2"));
    EXPECT_EQ(connected(), path("video2"));
    EXPECT_TRUE(window().device().live().streaming());
}

// What the user chose for the test scene comes back in a new capture window (as after a
// restart), unless KINOREE_CAPTURE_DEVICE says otherwise; a device the variable names that is
// not there is not replaced by another.
TEST_F(DeviceChoiceTest, ChoicesComeBackInTheNextWindowAndTheVariableWins) {
    for (const char* node : {"video0", "video1", "video2"}) fs::remove(m_dir / node);
    testing_support::ScriptedModals modals;
    EXPECT_FALSE(send(WM_CAP_DRIVER_CONNECT, 0));
    modals.expectLiveDialog(L"Video Source", [&](LiveDialog& dialog) {
        EXPECT_TRUE(dialog.shows("No capture device is connected"));
        dialog.choose("Device", "Built-in test scene");
        dialog.press("OK");
    });
    modals.expectLiveDialog(L"Video Format", [&](LiveDialog& dialog) {
        EXPECT_EQ(Items(dialog, "Format"), (std::vector<QString>{"Motion JPEG", "YUYV 4:2:2", "RGB 24-bit"}));
        dialog.choose("Format", "Motion JPEG");
        dialog.choose("Picture size", "320 x 240");
        EXPECT_EQ(Items(dialog, "Device frame rate"),
                  (std::vector<QString>{"30 frames per second", "15 frames per second"}));
        dialog.choose("Device frame rate", "15 frames per second");
        dialog.press("OK");
    });
    modals.expectLiveDialog(L"Video Compression", [&](LiveDialog& dialog) {
        dialog.setValue("quality", 75);
        dialog.press("OK");
    });
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOSOURCE));
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOFORMAT));
    EXPECT_TRUE(send(WM_CAP_DLG_VIDEOCOMPRESSION));
    modals.verify();

    const auto reopen = [&] {
        DestroyWindow(m_parent);
        CameraSettingsTest::SetUp();
        return send(WM_CAP_DRIVER_CONNECT, 0);
    };
    ASSERT_TRUE(reopen());
    const media::StreamFormat f = window().device().live().format();
    EXPECT_EQ(window().device().driver()->name, "Built-in test scene");
    EXPECT_EQ(f.format, media::PixelFormat::Mjpeg);
    EXPECT_EQ((media::FrameSize{f.width, f.height}), (media::FrameSize{320, 240}));
    EXPECT_EQ(f.frameIntervalDenominator, 15u);
    EXPECT_EQ(window().device().jpegQuality(), 75);

    setenv("PLATFORM_TEST_CAPTURE_DEVICE", "test:1280x720", 1);
    ASSERT_TRUE(reopen());
    EXPECT_EQ(streamed(), (media::FrameSize{1280, 720})) << "the variable's size wins";
    setenv("PLATFORM_TEST_CAPTURE_DEVICE", path("video7").c_str(), 1);
    EXPECT_FALSE(reopen()) << "an absent device named by the variable is not replaced by the remembered one";
    unsetenv("PLATFORM_TEST_CAPTURE_DEVICE");
}

}  // namespace
