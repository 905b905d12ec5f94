// What shell32 offers the other libraries of the platform and their tests: the user's own
// folders as the desktop names them, and a stand-in for the desktop's handler of ShellExecuteW.
#pragma once

#include "windef.h"

#include <functional>
#include <string>

namespace shell32 {

// The user's Videos folder (XDG_VIDEOS_DIR, usually ~/Videos), or the home folder where the
// desktop names none. It may not exist yet.
std::wstring VideosFolder();

struct ShellOpen {
    HWND owner;
    std::wstring verb;
    std::wstring file;
    int showCommand;
};

using ShellOpenRecorder = std::function<void(const ShellOpen&)>;

// Test seam of ShellExecuteW: with a recorder installed, nothing is handed to the desktop and the
// recorder sees each call instead. An empty one removes it.
void SetShellOpenRecorder(ShellOpenRecorder recorder);

}  // namespace shell32
