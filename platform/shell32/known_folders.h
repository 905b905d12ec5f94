// The user's own folders, as the desktop names them.
#pragma once

#include <string>

namespace shell32 {

// The user's Videos folder (XDG_VIDEOS_DIR, usually ~/Videos), or the home folder where the
// desktop names none. It may not exist yet.
std::wstring VideosFolder();

}  // namespace shell32
