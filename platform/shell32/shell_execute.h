// Test seam of ShellExecuteW: with a recorder installed, nothing is handed to the desktop and
// the recorder sees each call instead.
#pragma once

#include "windef.h"

#include <functional>
#include <string>

namespace shell32 {

struct ShellOpen {
    HWND owner;
    std::wstring verb;
    std::wstring file;
    int showCommand;
};

using ShellOpenRecorder = std::function<void(const ShellOpen&)>;

// Installs a recorder (an empty one removes it).
void SetShellOpenRecorder(ShellOpenRecorder recorder);

}  // namespace shell32
