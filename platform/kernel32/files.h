// kernel32's file look-up, as far as the program asks about files: whether one is there.
#pragma once

#include "windef.h"

#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080

// GetFileAttributesW: INVALID_FILE_ATTRIBUTES when nothing is at the path.
DWORD GetFileAttributesW(LPCWSTR path);
