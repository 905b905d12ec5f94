// Turns a failed device call's errno into an Error whose kind tells the caller what to do.
#pragma once

#include <string>
#include <string_view>

#include "media/common/frame.h"

namespace media {

// `device` names the camera for the user, `action` says what we were doing ("start streaming").
Error DeviceError(int err, std::string_view device, std::string_view action);

}  // namespace media
