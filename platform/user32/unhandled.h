// Loud reporting of requests the platform layer does not implement, so that a missing piece
// shows up on the terminal instead of as a silent 0.
#pragma once

#include "windef.h"

namespace user32 {

// Prints once per (what, value) pair to stderr.
void ReportUnhandledMessage(const char* what, UINT value);

}  // namespace user32
