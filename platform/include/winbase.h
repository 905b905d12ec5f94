// kernel32 as the program sees it: the module, its resources, and whether a file is there.
#pragma once

#include "windef.h"

#ifndef RC_INVOKED
#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)
#define RT_MANIFEST MAKEINTRESOURCEW(24)

// GetModuleHandleW(NULL): the one module there is, the program itself. By name it finds the
// program by its registered name, with or without ".exe" (in any case), and no other module.
HMODULE GetModuleHandleW(LPCWSTR moduleName);

// FindResourceExW: a neutral language (0, or the neutral user and system defaults) takes the
// first entry of that type and name in any language, as the system's fallback does for a
// module filed in one language. Any other
// language is matched exactly, then with its sublanguage made neutral; nothing else is tried.
// Names compare without regard to case, and "#123" names ordinal 123, as on the platform.
// There is only one module: every module handle, NULL included, means the program.
HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);

#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080

// GetFileAttributesW: INVALID_FILE_ATTRIBUTES when nothing is at the path.
DWORD GetFileAttributesW(LPCWSTR path);
#endif  // RC_INVOKED
