#include "drivers.h"

#include "avicap32_private.h"
#include "program_registration.h"

#include "media/devices/device_list.h"
#include "media/devices/v4l2_camera.h"
#include "media/stills/scene_camera_io.h"
#include "media/stills/stills_detection.h"
#include "media/testscene/test_scene_controls.h"
#include "media/testscene/test_scene_options.h"
#include "media/testscene/test_scene_source.h"

#include <algorithm>
#include <cstdlib>

namespace avicap32 {
namespace {

constexpr char kTestSceneName[] = "Built-in test scene";

std::shared_ptr<media::V4l2Io> g_testIo;
std::function<std::unique_ptr<media::GphotoIo>()> g_stillsIo;
std::string g_deviceFolder = "/dev";

// One for the process: the scene keeps its settings while the program runs, as a camera does.
std::shared_ptr<media::TestSceneControls> SceneControls() {
    static auto controls = std::make_shared<media::TestSceneControls>();
    return controls;
}

CaptureDriver CameraDriver(const media::CaptureDevice& device) {
    CaptureDriver driver;
    driver.name = device.label.empty() ? device.name : device.label;
    driver.version = device.description;
    driver.devicePath = device.path;
    driver.settingsKey = media::SettingsKey(device);
    driver.controlsPath = device.path;
    driver.controlsIo = CameraIo();
    driver.makeSource = [path = device.path](const media::StreamRequest& wanted,
                                             std::unique_ptr<media::FrameSource>& source) {
        source = std::make_unique<media::V4l2Camera>(path, CameraIo(), wanted);
        return media::Error::none();
    };
    return driver;
}

CaptureDriver TestSceneDriver(const std::string& choice) {
    CaptureDriver driver;
    driver.name = kTestSceneName;
    driver.version = "built in";
    driver.settingsKey = kTestSceneName;
    driver.controlsPath = media::TestSceneControls::kNode;
    driver.controlsIo = SceneControls();
    driver.makeSource = [choice](const media::StreamRequest& wanted, std::unique_ptr<media::FrameSource>& source) {
        media::TestSceneOptions options;
        media::Error error = media::ParseTestSceneName(choice, options);
        if (wanted.size) {
            options.width = wanted.size->width;
            options.height = wanted.size->height;
        }
        if (wanted.format) options.format = *wanted.format;
        if (wanted.interval && wanted.interval->numerator == 1) options.framesPerSecond = wanted.interval->denominator;
        options.controls = SceneControls();
        if (!error) source = std::make_unique<media::TestSceneSource>(options);
        return error;
    };
    return driver;
}

std::unique_ptr<media::GphotoIo> StillsIo() { return g_stillsIo ? g_stillsIo() : media::SystemGphotoIo(); }

// Listed under its model and port: its serial number is known only once it is open, and opening
// every listed camera would take it from whatever program uses it. The connection keys it by its
// serial number once open.
CaptureDriver StillsDriver(const media::StillsCameraEntry& entry) {
    CaptureDriver driver;
    driver.name = entry.label;
    driver.version = "stills camera on " + entry.camera.port;
    driver.devicePath = entry.camera.port;
    driver.settingsKey = media::StillsSettingsKey(entry.camera, std::string());
    driver.makeStillsCamera = [camera = entry.camera] {
        return std::make_shared<media::StillsCamera>(StillsIo(), camera);
    };
    driver.detectedStills = entry.camera;
    return driver;
}

CaptureDriver SceneStillsDriver() {
    CaptureDriver driver;
    driver.name = media::kSceneCameraModel;
    driver.version = "built in";
    driver.settingsKey = media::kSceneCameraName;
    driver.makeStillsCamera = [] { return media::MakeSceneCamera(); };
    return driver;
}

// A device path that is not (or not yet) a capture device keeps its path as its name, so that
// connecting to it says what is wrong with it.
CaptureDriver ChosenDriver(const std::string& choice) {
    if (choice == media::kSceneCameraName) {
        CaptureDriver driver = SceneStillsDriver();
        driver.chosenByEnvironment = true;
        return driver;
    }
    if (media::IsTestSceneName(choice)) {
        CaptureDriver driver = TestSceneDriver(choice);
        driver.chosenByEnvironment = true;
        driver.sizeFromEnvironment = true;
        return driver;
    }
    media::CaptureDevice device;
    device.path = device.name = choice;
    if (auto probed = media::ProbeCaptureDevice(*CameraIo(), choice)) device = *probed;
    CaptureDriver driver = CameraDriver(device);
    driver.chosenByEnvironment = true;
    return driver;
}

const char* EnvironmentChoice() {
    if (CaptureDeviceVariable().empty()) return nullptr;
    const char* choice = std::getenv(CaptureDeviceVariable().c_str());
    return choice && *choice ? choice : nullptr;
}

}  // namespace

// A stills camera's key changes to its serial number once it is open: at one port, one model is
// one camera.
bool SameDevice(const CaptureDriver& a, const CaptureDriver& b) {
    if (a.devicePath != b.devicePath) return false;
    if (a.detectedStills && b.detectedStills) return a.detectedStills->model == b.detectedStills->model;
    return a.settingsKey == b.settingsKey;
}

bool MayBeDevice(const CaptureDriver& driver, const std::string& key) {
    return driver.settingsKey == key ||
           (driver.detectedStills && media::MayBeStillsCamera(key, *driver.detectedStills));
}

bool DeviceChosenByEnvironment() { return EnvironmentChoice() != nullptr; }

std::vector<CaptureDriver> ListCaptureDrivers() {
    std::vector<CaptureDriver> drivers;
    for (const media::CaptureDevice& device : media::ListCaptureDevices(*CameraIo(), g_deviceFolder)) {
        drivers.push_back(CameraDriver(device));
    }
    if (const char* choice = EnvironmentChoice()) {
        if (drivers.empty()) {
            drivers.push_back(ChosenDriver(choice));
        } else {
            drivers[0] = ChosenDriver(choice);
        }
    }
    if (drivers.size() > media::kMaxCaptureDevices) drivers.resize(media::kMaxCaptureDevices);
    return drivers;
}

std::vector<CaptureDriver> ListSelectableDrivers() {
    std::vector<CaptureDriver> drivers;
    // The device the environment variable names may also be on the list under its own number.
    for (CaptureDriver& driver : ListCaptureDrivers()) {
        const bool listed =
            std::any_of(drivers.begin(), drivers.end(), [&](const CaptureDriver& d) { return SameDevice(d, driver); });
        if (!listed) drivers.push_back(std::move(driver));
    }
    const bool haveScene = std::any_of(drivers.begin(), drivers.end(),
                                       [](const CaptureDriver& d) { return d.settingsKey == kTestSceneName; });
    if (!haveScene) drivers.push_back(TestSceneDriver("test"));
    std::vector<media::StillsCameraEntry> cameras;
    // A failed detection leaves the webcams and the built-in cameras to choose from.
    if (!media::ListStillsCameras(*StillsIo(), cameras)) {
        for (const media::StillsCameraEntry& entry : cameras) drivers.push_back(StillsDriver(entry));
    }
    const bool haveStillsScene = std::any_of(drivers.begin(), drivers.end(), [](const CaptureDriver& d) {
        return d.settingsKey == media::kSceneCameraName;
    });
    if (!haveStillsScene) drivers.push_back(SceneStillsDriver());
    return drivers;
}

namespace {
std::string& DeviceVariable() {
    static std::string name;
    return name;
}
}  // namespace

void SetCaptureDeviceVariable(std::string name) { DeviceVariable() = std::move(name); }
const std::string& CaptureDeviceVariable() { return DeviceVariable(); }

std::shared_ptr<media::V4l2Io> CameraIo() { return g_testIo ? g_testIo : media::SystemV4l2Io(); }

void SetStillsIoForTesting(std::function<std::unique_ptr<media::GphotoIo>()> makeIo) { g_stillsIo = std::move(makeIo); }

void SetCameraIoForTesting(std::shared_ptr<media::V4l2Io> io, std::string deviceFolder) {
    g_testIo = std::move(io);
    g_deviceFolder = std::move(deviceFolder);
}

}  // namespace avicap32
