// What kernel32 offers the other libraries of the platform and their tests: resource look-up in
// the module's resource image, beyond the Win32 functions of winbase.h.
//
// A program's resources are compiled by windres into a .res image at build time and linked
// into the executable, which registers the image and its own name before it starts; these
// functions find entries in it by type, name and language. They use no Qt, so the resource tests
// and tools can use them alone.
#pragma once

#include "winbase.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kernel32 {

// The name the program registered (program_registration.h), "" before that: what the program is called in the settings
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

// Test seam: reads another .res image as the module's; nullptr restores the registered one. The
// image must outlive its use; handles found in an earlier image stay valid objects, but their data
// is the caller's to keep alive.
void SetModuleResourceImageForTesting(const std::span<const BYTE>* image);

}  // namespace kernel32
