// Resource look-up in the module's embedded resource file (kernel32's resource functions).
//
// The module's resources are compiled by windres into a .res file at build time and linked
// into the executable; these functions find entries in it by type, name and language. They use
// no Qt, so the resource tests and tools can use them alone.
#pragma once

#include "windef.h"

#include <span>

#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)
#define RT_MANIFEST MAKEINTRESOURCEW(24)

// GetModuleHandleW(NULL): the one module there is, the program itself.
HMODULE GetModuleHandleW(LPCWSTR moduleName);

// FindResourceExW: language 0 (LANG_NEUTRAL) takes the first entry of that type and name
// in any language, as the system's fallback does for a module filed in one language.
HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);

namespace kernel32 {

// The bytes of the found resource, or an empty span when it is absent.
std::span<const BYTE> ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language = 0);

// The language an entry is filed under (for tests and diagnostics).
WORD ResourceLanguage(HRSRC resource);

// Lets tests read another .res image as the module's; nullptr restores the embedded one.
void SetModuleResourceImageForTesting(const std::span<const BYTE>* image);

}  // namespace kernel32
