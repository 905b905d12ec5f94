#include "drivers.h"

#include "testing/seams.h"

#include "media/devices/device_list.h"
#include "media/devices/v4l2_camera.h"
#include "media/testscene/test_scene_options.h"
#include "media/testscene/test_scene_source.h"

#include <cstdlib>

namespace avicap32 {
namespace {

std::shared_ptr<media::V4l2Io> g_testIo;

CaptureDriver CameraDriver(const std::string& path, std::string name, std::string version) {
    return CaptureDriver{std::move(name), std::move(version), path,
                         [path](std::optional<media::FrameSize> size, std::unique_ptr<media::FrameSource>& source) {
                             source = std::make_unique<media::V4l2Camera>(path, CameraIo(), size);
                             return media::Error::none();
                         }};
}

CaptureDriver ChosenDriver(const std::string& choice) {
    if (!media::IsTestSceneName(choice)) return CameraDriver(choice, choice, "");
    return CaptureDriver{"Built-in test scene", "built in", "",
                         [choice](std::optional<media::FrameSize> size, std::unique_ptr<media::FrameSource>& source) {
                             media::TestSceneOptions options;
                             media::Error error = media::ParseTestSceneName(choice, options);
                             if (size) {
                                 options.width = size->width;
                                 options.height = size->height;
                             }
                             if (!error) source = std::make_unique<media::TestSceneSource>(options);
                             return error;
                         }};
}

}  // namespace

std::vector<CaptureDriver> ListCaptureDrivers() {
    std::vector<CaptureDriver> drivers;
    for (const media::CaptureDevice& device : media::listCaptureDevices(*CameraIo())) {
        drivers.push_back(CameraDriver(device.path, device.name, device.description));
    }
    const char* choice = CaptureDeviceVariable().empty() ? nullptr : std::getenv(CaptureDeviceVariable().c_str());
    if (choice && *choice) {
        if (drivers.empty()) {
            drivers.push_back(ChosenDriver(choice));
        } else {
            drivers[0] = ChosenDriver(choice);
        }
    }
    if (drivers.size() > media::kMaxCaptureDevices) drivers.resize(media::kMaxCaptureDevices);
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

std::shared_ptr<media::V4l2Io> CameraIo() { return g_testIo ? g_testIo : media::systemV4l2Io(); }

void SetCameraIoForTesting(std::shared_ptr<media::V4l2Io> io) { g_testIo = std::move(io); }

}  // namespace avicap32
