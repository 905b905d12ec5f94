// The binary resource formats user32 reads: dialog templates (classic and extended), menu
// templates, string tables, icon groups and device-independent bitmaps. Parsed into plain
// structures here, without Qt, so that the window code builds from them and tests read them.
#pragma once

#include "windef.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace user32 {

// A resource reference inside a template: an ordinal (0xFFFF form) or a string.
struct ResourceRef {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::wstring name;  // empty and !isOrdinal: no reference at all

    bool empty() const { return !isOrdinal && name.empty(); }
};

struct DialogItemTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    DWORD helpId = 0;
    SHORT x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;               // sign-extended: 0xFFFF in a classic template reads as -1
    ResourceRef windowClass;  // ordinal 0x80 button, 0x81 edit, 0x82 static, ... or a class name
    ResourceRef title;        // text, or a resource (icon or bitmap of a static)
    std::vector<BYTE> creationData;
};

struct DialogTemplate {
    bool extended = false;  // DLGTEMPLATEEX (dialog version 1)
    DWORD style = 0;
    DWORD exStyle = 0;
    DWORD helpId = 0;
    SHORT x = 0, y = 0, cx = 0, cy = 0;
    ResourceRef menu;
    ResourceRef windowClass;
    std::wstring caption;
    // Present when the style has DS_SETFONT.
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::wstring typeface;
    std::vector<DialogItemTemplate> items;
};

// Classic (DLGTEMPLATE) or extended (DLGTEMPLATEEX) template; nullopt when it is truncated.
// Creation data is given without its leading size word.
std::optional<DialogTemplate> ParseDialogTemplate(std::span<const BYTE> bytes);

struct MenuItemTemplate {
    WORD flags = 0;  // MF_POPUP, MF_SEPARATOR, MF_GRAYED, ... (MF_END stripped)
    WORD id = 0;     // 0 for popups
    std::wstring text;
    std::vector<MenuItemTemplate> children;  // for popups
};

// Classic menu templates (MENU); the extended form is not used by this program and reads as
// nullopt, like a truncated template.
std::optional<std::vector<MenuItemTemplate>> ParseMenuTemplate(std::span<const BYTE> bytes);

// A decoded picture: top-down rows of 0xAARRGGBB.
struct DecodedImage {
    int width = 0;
    int height = 0;
    int bitCount = 0;  // as stored
    std::vector<uint32_t> pixels;
};

// RT_BITMAP data: a BITMAPINFOHEADER, its colour table, then the bits (no file header).
// Uncompressed 1, 4, 8, 16 (5-5-5), 24 and 32 bpp, bottom-up or top-down. Bitmaps are opaque,
// except 32-bpp ones whose fourth bytes are not all zero: those bytes are their alpha.
// nullopt for anything else, or when the data is shorter than its header says.
std::optional<DecodedImage> DecodeDib(std::span<const BYTE> bytes);

// RT_ICON data: a BITMAPINFOHEADER with doubled height, the colour bits, then the AND mask.
// 32-bpp images take their alpha from the pixels (from the mask when every alpha is zero);
// others take it from the mask (a set bit is transparent). PNG images are not read.
std::optional<DecodedImage> DecodeIconImage(std::span<const BYTE> bytes);

// RT_GROUP_ICON: the icon image whose size is closest to (and not smaller than, when one is
// available) the wanted size; returns its RT_ICON identifier, or 0 when the group is empty.
// A wanted size of 0 or less means the system's icon size, 32.
WORD LookupIconIdFromDirectory(std::span<const BYTE> groupBytes, int wantedSize);

// The image of icon group `groupName` that suits `wantedSize`, decoded; nullopt when the group
// or its image is absent or unreadable.
std::optional<DecodedImage> LoadModuleIcon(HINSTANCE instance, LPCWSTR groupName, int wantedSize);

// Bitmap `name` of the module, decoded.
std::optional<DecodedImage> LoadModuleBitmap(HINSTANCE instance, LPCWSTR name);

}  // namespace user32

namespace user32 {
// String `id` of the module's string table; empty when it is absent.
std::wstring LoadStringText(HINSTANCE instance, UINT id);
}  // namespace user32
