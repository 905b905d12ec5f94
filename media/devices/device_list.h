// The video-capture devices the user can choose from, numbered the way the capture driver
// slots 0..9 are.
#pragma once

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
};

// Lists /dev/videoN nodes of `deviceDir` in N order and keeps those that can capture video
// (their own capabilities, not their physical device's), at most kMaxCaptureDevices.
std::vector<CaptureDevice> listCaptureDevices(V4l2Io& io, const std::string& deviceDir = "/dev");

}  // namespace media
