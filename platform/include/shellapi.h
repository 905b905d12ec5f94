// shell32: handing documents and addresses to the desktop.
#pragma once

#include "windef.h"

// Returns a value above 32 on success, as the platform does.
HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT showCommand);
