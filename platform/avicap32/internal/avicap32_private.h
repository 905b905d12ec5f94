// What avicap32 offers the platform's tests: scripted system calls in the cameras' place.
#pragma once

#include "media/devices/v4l2_io.h"

#include <memory>
#include <string>

namespace avicap32 {

// Scripted system calls in place of the cameras' own (nullptr puts the real ones back), and the
// folder their nodes are listed from.
void SetCameraIoForTesting(std::shared_ptr<media::V4l2Io> io, std::string deviceFolder = "/dev");

}  // namespace avicap32
