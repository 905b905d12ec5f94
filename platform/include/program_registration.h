// What a program hands the platform about itself. Each is called once, during static
// initialisation, before the application object does anything.
#pragma once

#include "windef.h"

#include <span>
#include <string>

namespace kernel32 {
// The program's name (what the settings store and diagnostics call it) and its resource image,
// which must live as long as the program.
void RegisterModule(std::wstring name, std::span<const BYTE> resourceImage);
}  // namespace kernel32

namespace avicap32 {
// The environment variable that replaces capture driver 0, as the program's users know it; until
// the program names one, no variable does.
void SetCaptureDeviceVariable(std::string name);
}  // namespace avicap32

namespace afx {
// The desktop entry the program's windows belong to, and so the icons that come with it.
void SetDesktopEntryId(std::string id);
}  // namespace afx
