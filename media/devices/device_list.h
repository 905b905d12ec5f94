// The video-capture devices the user can choose from, numbered the way the capture driver
// slots 0..9 are.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "v4l2_io.h"

namespace media {

inline constexpr int kMaxCaptureDevices = 10;

struct CaptureDevice {
    int index = 0;            // slot 0..9: position among the capture devices
    std::string path;         // /dev/videoN
    std::string name;         // the driver's card name, e.g. "HD Pro Webcam C920"
    std::string description;  // "<driver> vX.Y.Z", e.g. "uvcvideo v6.1.192"
    std::string busInfo;      // where it is plugged in, e.g. "usb-0000:00:14.0-2"
    std::string serial;       // the USB serial number, when the camera has one
    // The name to show: the card name, with the port added when another listed device has the
    // same name (two cameras of one model).
    std::string label;
};

// What a camera's settings are kept under: its serial number when it has one (the same on any
// port), else its card name and port, else its card name alone.
std::string SettingsKey(const CaptureDevice& device);

// Lists /dev/videoN nodes of `deviceDir` in N order and keeps those that can capture video
// (their own capabilities, not their physical device's), at most kMaxCaptureDevices. Serial
// numbers come from the USB devices in `sysfsDir`.
std::vector<CaptureDevice> ListCaptureDevices(V4l2Io& io, const std::string& deviceDir = "/dev",
                                              const std::string& sysfsDir = "/sys");

// One node named by its path, as the list would describe it; nothing when it cannot be opened
// or does not capture video.
std::optional<CaptureDevice> ProbeCaptureDevice(V4l2Io& io, const std::string& path,
                                                const std::string& sysfsDir = "/sys");

}  // namespace media
