// shell32: the user's special folders.
#pragma once

#include "windef.h"

#ifndef MAX_PATH
#define MAX_PATH 260
#endif
#define CSIDL_LOCAL_APPDATA 0x001c  // where programs keep the user's data (~/.local/share)
#define S_OK 0
#define E_FAIL static_cast<HRESULT>(0x80004005)
typedef LONG HRESULT;

// Writes the folder, without a trailing separator, to `path` (room for MAX_PATH characters).
// Of the folders only CSIDL_LOCAL_APPDATA is known here; the others fail with E_FAIL.
HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path);
