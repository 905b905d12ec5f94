// Capture drivers 0..9: the computer's video-capture devices, in /dev/videoN order. An
// environment variable the program names replaces driver 0: "test" (or "test:WIDTHxHEIGHT") is
// the built-in test scene, anything else a device path.
#pragma once

#include "media/common/frame.h"
#include "media/devices/v4l2_io.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace avicap32 {

// The variable's name is the program's to choose, as its users know it; until the program names
// one, no variable replaces driver 0.
void SetCaptureDeviceVariable(std::string name);
const std::string& CaptureDeviceVariable();

struct CaptureDriver {
    std::string name;
    std::string version;
    // The camera's device node, which its settings are changed on; empty for the test scene,
    // which has none.
    std::string devicePath;
    // Makes an unstarted source for the driver, at `size` when given (else at the size the
    // driver's policy picks); fails with a message for a bad choice (an unreadable test scene
    // size, say).
    std::function<media::Error(std::optional<media::FrameSize> size, std::unique_ptr<media::FrameSource>&)>
        makeSource;
};

std::vector<CaptureDriver> ListCaptureDrivers();

// The system calls cameras are driven with: the real devices, unless a test has put a scripted
// driver in their place (testing/seams.h).
std::shared_ptr<media::V4l2Io> CameraIo();

}  // namespace avicap32
