// Capture drivers 0..9: the computer's video-capture devices, in /dev/videoN order. An
// environment variable the program names replaces driver 0: "test" (or "test:WIDTHxHEIGHT") is
// the built-in test scene, anything else a device path. The Source dialog offers the same devices
// and the test scene after them, then the stills cameras libgphoto2 finds and the built-in test
// stills camera ("test-stills", which the variable may name too).
#pragma once

#include "media/common/frame.h"
#include "media/devices/v4l2_io.h"
#include "media/stills/stills_camera.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace avicap32 {

// The variable the program named (program_registration.h), or "" while it names none.
const std::string& CaptureDeviceVariable();

struct CaptureDriver {
    // As the user sees it; two cameras of one model are told apart by their port.
    std::string name;
    std::string version;
    // The camera's device node; empty for the test scene, which has none.
    std::string devicePath;
    // The device's identity, what the settings the user chooses for it are kept under: a
    // camera's media::SettingsKey (its serial number, else its port and card, else its card), a
    // stills camera's media::StillsSettingsKey (its model and port until it is open and has told
    // its serial number), the test scene's name.
    std::string settingsKey;
    // Chosen with the environment variable: what the variable says wins over what is remembered.
    bool chosenByEnvironment = false;
    // The test scene named with a size: that size wins over a remembered one.
    bool sizeFromEnvironment = false;
    // Makes an unstarted source asking for what `wanted` gives; fails with a message for a bad
    // choice (an unreadable test scene size, say).
    std::function<media::Error(const media::StreamRequest& wanted, std::unique_ptr<media::FrameSource>&)> makeSource;
    // Its settings, on a descriptor of their own: the camera's, or the test scene's.
    std::string controlsPath;
    std::shared_ptr<media::V4l2Io> controlsIo;
    // A stills camera's: made when it is connected. Its live view is the stream, and a press takes
    // a still instead of the newest frame.
    std::function<std::shared_ptr<media::StillsCamera>()> makeStillsCamera;
    // A camera libgphoto2 found: its model and port.
    std::optional<media::DetectedCamera> detectedStills;
};

// The numbered drivers.
std::vector<CaptureDriver> ListCaptureDrivers();
// What the Source dialog offers: the numbered drivers, the test scene, the stills cameras
// attached now and the built-in test stills camera.
std::vector<CaptureDriver> ListSelectableDrivers();
// One device at one node: the same identity and the same device path. What the whole tree
// compares drivers with (the lists, the Source dialog).
bool SameDevice(const CaptureDriver& a, const CaptureDriver& b);
// Whether `driver` may be the device `key` names: it is, or it is a stills camera whose serial
// number, told once it is open, may make it that device.
bool MayBeDevice(const CaptureDriver& driver, const std::string& key);
// Whether the environment variable names a device.
bool DeviceChosenByEnvironment();

// The system calls cameras are driven with: the real devices, unless a test has put a scripted
// driver in their place (avicap32_private.h).
std::shared_ptr<media::V4l2Io> CameraIo();

}  // namespace avicap32
