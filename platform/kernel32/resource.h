// Resource look-up in the module's resource image (kernel32's resource functions).
//
// A program's resources are compiled by windres into a .res image at build time and linked
// into the executable, which registers the image and its own name before it starts; these
// functions find entries in it by type, name and language. They use no Qt, so the resource tests
// and tools can use them alone.
#pragma once

#include "windef.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

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

namespace kernel32 {

// The program names itself and hands over its resource image (which must live as long as the
// program), once, before anything looks a resource up: during static initialisation.
void RegisterModule(std::wstring name, std::span<const BYTE> resourceImage);
// The registered name ("" before registration): what the program is called in the settings
// store and in diagnostics.
const std::wstring& ModuleName();

// A type or name as a .res entry stores it: an ordinal, or a string.
struct ResourceId {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::wstring name;

    bool operator==(const ResourceId&) const = default;
};

// One entry of a .res image; `data` points into the image.
struct ResourceEntry {
    ResourceId type;
    ResourceId name;
    WORD language = 0;
    WORD memoryFlags = 0;
    DWORD dataVersion = 0;
    DWORD version = 0;
    DWORD characteristics = 0;
    std::span<const BYTE> data;
};

// Reads a whole .res image: its leading empty entry, then every resource in file order.
// Returns nullopt when the image does not start with that entry or any entry is truncated
// or malformed; nothing outside `image` is read.
std::optional<std::vector<ResourceEntry>> ParseResImage(std::span<const BYTE> image);

// The module's resources in file order (empty when its image could not be read).
const std::vector<ResourceEntry>& ModuleResourceEntries();

// Little-endian UTF-16, as resources store text, made wide: surrogate pairs become one
// character; an unpaired surrogate is kept as it is. An odd last byte is ignored.
std::wstring WideFromUtf16(std::span<const BYTE> utf16le);

// The bytes of the found resource, or an empty span when it is absent.
std::span<const BYTE> ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language = 0);

// The language an entry is filed under (for tests and diagnostics).
WORD ResourceLanguage(HRSRC resource);

// Lets tests read another .res image as the module's; nullptr restores the registered one.
// The image must outlive its use; handles found in an earlier image stay valid objects, but
// their data is the caller's to keep alive.
void SetModuleResourceImageForTesting(const std::span<const BYTE>* image);

}  // namespace kernel32
