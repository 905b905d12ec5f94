// What avicap32 offers the platform's tests: scripted system calls in the cameras' place.
#pragma once

#include "media/devices/v4l2_io.h"
#include "media/stills/gphoto_io.h"

#include <functional>

#include <memory>
#include <string>

namespace avicap32 {

// Scripted system calls in place of the cameras' own (nullptr puts the real ones back), and the
// folder their nodes are listed from.
void SetCameraIoForTesting(std::shared_ptr<media::V4l2Io> io, std::string deviceFolder = "/dev");
// Scripted stills cameras in place of libgphoto2's (nullptr puts libgphoto2 back): each call makes
// one connection, for detecting or for one camera.
void SetStillsIoForTesting(std::function<std::unique_ptr<media::GphotoIo>()> makeIo);

}  // namespace avicap32
