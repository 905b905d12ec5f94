// Holding a camera's picture still between shots: its automatic exposure (and the frame-rate
// priority that goes with it), white balance, focus and gain are turned off where they are, so
// that frames taken minutes apart match. Where the driver has the single 3A lock control, that
// is used instead of the separate modes.
#pragma once

#include <vector>

#include "camera_controls.h"

namespace media {

// Whether the camera has an automatic mode the lock can turn off.
bool HasAutomaticModes(const CameraControls& controls);
// True when it has some and all of them are off.
bool AutomaticModesLocked(const CameraControls& controls);

// Turns every automatic mode off at the value it had reached, reading each value back and
// writing it again (some cameras apply a manual value only once it is written). Carries on past
// a control that refuses and returns the first refusal; stops when the device is gone.
// `settled` receives every control value now in force, modes first, for the caller to remember.
Error LockAutomaticModes(CameraControls& controls, std::vector<ControlValue>& settled);
// Lets every automatic mode run again; `settled` as above.
Error UnlockAutomaticModes(CameraControls& controls, std::vector<ControlValue>& settled);

}  // namespace media
