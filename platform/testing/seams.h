// The platform's test seams, in the one header tests include and the program never does: what
// stands in for the user at modal dialogs, for the desktop's shell, for the cameras' system calls
// and for the module's resources.
#pragma once

#include "avicap32_private.h"  // SetCameraIoForTesting
#include "kernel32_private.h"  // SetModuleResourceImageForTesting
#include "shell32_private.h"   // SetShellOpenRecorder
#include "user32_private.h"    // ModalHook, SetModalHook
