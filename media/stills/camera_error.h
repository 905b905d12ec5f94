// What a libgphoto2 failure means to the user: the kind decides what the program does, the text
// says what happened and what to do about it.
#pragma once

#include <string_view>

#include "media/common/frame.h"

namespace media {

// `action` is what was being done, as in "take a still".
Error CameraFailure(int code, std::string_view action);

}  // namespace media
