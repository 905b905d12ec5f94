// The platform's test seams, in the one header tests include and the program never does: what
// stands in for the user at modal dialogs, for the desktop's shell, for the cameras' system calls
// and for the module's resources.
#pragma once

#include "shell32/shell_execute.h"  // SetShellOpenRecorder
#include "user32/modal_hooks.h"     // ModalHook, SetModalHook

#include "windef.h"

#include <memory>
#include <span>

namespace media {
class V4l2Io;
}

namespace kernel32 {
// Reads another .res image as the module's; nullptr restores the registered one. The image must
// outlive its use; handles found in an earlier image stay valid objects, but their data is the
// caller's to keep alive.
void SetModuleResourceImageForTesting(const std::span<const BYTE>* image);
}  // namespace kernel32

namespace avicap32 {
// Scripted system calls in place of the cameras' own (nullptr puts the real ones back), and the
// folder their nodes are listed from.
void SetCameraIoForTesting(std::shared_ptr<media::V4l2Io> io, std::string deviceFolder = "/dev");
}  // namespace avicap32
