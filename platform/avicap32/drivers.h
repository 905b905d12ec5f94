// Capture drivers 0..9: the computer's video-capture devices, in /dev/videoN order. The
// environment variable KINOREE_CAPTURE_DEVICE replaces driver 0: "test" (or
// "test:WIDTHxHEIGHT") is the built-in test scene, anything else a device path.
#pragma once

#include "media/common/frame.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace avicap32 {

inline constexpr char kCaptureDeviceVariable[] = "KINOREE_CAPTURE_DEVICE";

struct CaptureDriver {
    std::string name;
    std::string version;
    // Makes an unstarted source for the driver; fails with a message for a bad choice (an
    // unreadable test scene size, say).
    std::function<media::Error(std::unique_ptr<media::FrameSource>&)> makeSource;
};

std::vector<CaptureDriver> ListCaptureDrivers();

}  // namespace avicap32
