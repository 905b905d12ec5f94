// The resources linked into the program, read back through the loader: what windres made of
// the script must be exactly the module the dialogs, the shell and the loader expect.

#include "kernel32_private.h"
#include "res/module_resources.h"
#include "res/resource.h"
#include "user32_private.h"
#include "version_info.h"
#include "winuser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <map>
#include <set>
#include <tuple>

namespace {

using user32::DialogItemTemplate;

constexpr WORD kUk = 0x0809;
constexpr WORD kUs = 0x0409;

HMODULE Module() { return GetModuleHandleW(nullptr); }

std::span<const BYTE> Bytes(LPCWSTR type, int id) {
    return kernel32::ResourceBytes(Module(), type, MAKEINTRESOURCEW(id));
}

DWORD Dword(std::span<const BYTE> b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<DWORD>(b[at + 3]) << 24);
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return s;
}

TEST(ResModuleIndex, EveryResourceIsFiledOnceUnderItsLanguage) {
    ASSERT_FALSE(ModuleResourceImage().empty());
    std::multimap<std::pair<WORD, WORD>, WORD> found;
    for (const kernel32::ResourceEntry& entry : kernel32::ModuleResourceEntries()) {
        ASSERT_TRUE(entry.type.isOrdinal && entry.name.isOrdinal) << "no resource of this module is named";
        found.emplace(std::pair{entry.type.ordinal, entry.name.ordinal}, entry.language);
    }
    const std::multimap<std::pair<WORD, WORD>, WORD> expected = {
        {{5, IDD_ABOUTBOX}, kUk},          {{5, IDD_MAIN}, kUk}, {{4, IDR_MAINMENU}, kUk},
        {{14, IDI_APPICON}, kUk},          {{3, 1}, kUk},        {{2, IDB_ABOUT}, kUk},
        {{6, IDS_ABOUTBOX / 16 + 1}, kUk}, {{16, 1}, kUk},       {{24, 1}, kUs},
    };
    EXPECT_EQ(found, expected);

    // Found by exact language, by neutral language, and not under the other English.
    HRSRC main = FindResourceExW(Module(), RT_DIALOG, MAKEINTRESOURCEW(IDD_MAIN), kUk);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(kernel32::ResourceLanguage(main), kUk);
    EXPECT_EQ(FindResourceW(Module(), MAKEINTRESOURCEW(IDD_MAIN), RT_DIALOG), main);
    EXPECT_EQ(FindResourceExW(Module(), RT_DIALOG, MAKEINTRESOURCEW(IDD_MAIN), kUs), nullptr);
    EXPECT_EQ(FindResourceExW(Module(), RT_MANIFEST, MAKEINTRESOURCEW(1), kUk), nullptr);
    EXPECT_EQ(SizeofResource(Module(), main), Bytes(RT_DIALOG, IDD_MAIN).size());
    EXPECT_EQ(LockResource(LoadResource(Module(), main)), Bytes(RT_DIALOG, IDD_MAIN).data());
}

struct ExpectedItem {
    int id;
    const wchar_t* cls;  // "button", "edit", "static" by ordinal; others by name
    const wchar_t* text;
    DWORD style;  // beyond WS_CHILD | WS_VISIBLE
    SHORT x, y, cx, cy;
};

constexpr DWORD kEditStyle = ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;

void ExpectItems(const std::vector<DialogItemTemplate>& items, const std::vector<ExpectedItem>& expected) {
    ASSERT_EQ(items.size(), expected.size());
    const std::map<std::wstring, WORD> ordinals = {{L"button", 0x80}, {L"edit", 0x81}, {L"static", 0x82}};
    for (size_t i = 0; i < items.size(); ++i) {
        const DialogItemTemplate& item = items[i];
        const ExpectedItem& want = expected[i];
        SCOPED_TRACE(testing::Message() << "item " << i << ", id " << want.id);
        EXPECT_EQ(item.id, want.id);
        if (auto ordinal = ordinals.find(want.cls); ordinal != ordinals.end()) {
            EXPECT_TRUE(item.windowClass.isOrdinal);
            EXPECT_EQ(item.windowClass.ordinal, ordinal->second);
        } else {
            // Class names are matched without regard to case, and windres stores them upper-case.
            EXPECT_FALSE(item.windowClass.isOrdinal);
            EXPECT_EQ(Lower(item.windowClass.name), want.cls);
        }
        if (want.text) {
            EXPECT_FALSE(item.title.isOrdinal);
            EXPECT_EQ(item.title.name, want.text);
        }
        EXPECT_EQ(item.style, 0x50000000u | want.style) << std::hex << item.style;
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.helpId, 0u);
        EXPECT_TRUE(item.creationData.empty());
        EXPECT_EQ(std::tie(item.x, item.y, item.cx, item.cy), std::tie(want.x, want.y, want.cx, want.cy));
    }
}

TEST(ResModuleDialogs, MainDialogTemplate) {
    auto dialog = user32::ParseDialogTemplate(Bytes(RT_DIALOG, IDD_MAIN));
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->extended);
    // WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME |
    // DS_SETFONT | DS_FIXEDSYS
    EXPECT_EQ(dialog->style, 0x90CA00C8u);
    EXPECT_EQ(dialog->exStyle, 0x00040000u);  // WS_EX_APPWINDOW
    EXPECT_EQ(std::tie(dialog->x, dialog->y, dialog->cx, dialog->cy), std::make_tuple(0, 0, 345, 232));
    EXPECT_TRUE(dialog->menu.isOrdinal);
    EXPECT_EQ(dialog->menu.ordinal, IDR_MAINMENU);
    EXPECT_TRUE(dialog->windowClass.empty());
    EXPECT_EQ(dialog->caption, L"Kinoree Version 2.0 By Orvane");
    EXPECT_EQ(dialog->pointSize, 8);
    EXPECT_EQ(dialog->typeface, L"MS Shell Dlg");
    ExpectItems(dialog->items, {
                                   {1, L"button", L"Quit", BS_DEFPUSHBUTTON | WS_TABSTOP, 281, 209, 57, 16},
                                   {-1, L"button", L"Video Preview", BS_GROUPBOX, 7, 7, 204, 153},
                                   {1000, L"button", L"Capture Single frame", WS_TABSTOP, 21, 170, 89, 19},
                                   {1001, L"button", L"Stop /  Save", WS_TABSTOP, 117, 170, 83, 19},
                                   {-1, L"button", L"Video Controls", BS_GROUPBOX, 211, 7, 127, 185},
                                   {1002, L"button", L"", WS_TABSTOP, 221, 60, 109, 22},
                                   {1003, L"button", L"Source", WS_TABSTOP, 221, 84, 109, 22},
                                   {1004, L"button", L"Video Format", WS_TABSTOP, 221, 159, 109, 22},
                                   {1005, L"button", L"Compression", WS_TABSTOP, 221, 134, 109, 22},
                                   {1006, L"button", L"Video Settings", WS_TABSTOP, 221, 110, 109, 22},
                                   {1007, L"edit", L"", kEditStyle, 288, 37, 41, 14},
                                   {1008, L"edit", L"", kEditStyle, 287, 19, 42, 14},
                                   // UDS_ARROWKEYS | UDS_AUTOBUDDY | UDS_ALIGNLEFT | UDS_SETBUDDYINT
                                   {1009, L"msctls_updown32", L"", 0x20 | 0x10 | 0x08 | 0x02, 284, 19, 11, 14},
                                   {1010, L"edit", L"", kEditStyle, 46, 194, 292, 14},
                                   {1011, L"edit", L"", kEditStyle, 46, 211, 234, 14},
                                   {-1, L"static", L"Status", WS_GROUP, 7, 199, 33, 8},
                                   {-1, L"static", L"File Name", WS_GROUP, 7, 215, 34, 10},
                                   {-1, L"static", L"Frame Rate Fps", WS_GROUP, 221, 24, 51, 8},
                                   {-1, L"static", L"Frames Captured", WS_GROUP, 221, 42, 63, 9},
                                   {-1, L"button", L"Capture Control", BS_GROUPBOX, 7, 159, 203, 33},
                               });
}

TEST(ResModuleDialogs, AboutBoxTemplate) {
    auto dialog = user32::ParseDialogTemplate(Bytes(RT_DIALOG, IDD_ABOUTBOX));
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->extended);
    // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS
    EXPECT_EQ(dialog->style, 0x80C800C8u);
    EXPECT_EQ(dialog->exStyle, 0u);
    EXPECT_EQ(dialog->helpId, 0u);
    EXPECT_EQ(std::tie(dialog->x, dialog->y, dialog->cx, dialog->cy), std::make_tuple(0, 0, 261, 167));
    EXPECT_TRUE(dialog->menu.empty());
    EXPECT_TRUE(dialog->windowClass.empty());
    EXPECT_EQ(dialog->caption, L"About Kinoree Version 2.0 About");
    EXPECT_EQ(std::tie(dialog->pointSize, dialog->weight, dialog->italic, dialog->charset),
              std::make_tuple(8, 0, 0, 1));
    EXPECT_EQ(dialog->typeface, L"MS Shell Dlg");
    ExpectItems(dialog->items, {
                                   {-1, L"static", L"IDI_MAINFRAME", SS_ICON, 7, 7, 21, 20},
                                   {-1, L"static", L"Kinoree Version 2.0", SS_NOPREFIX | WS_GROUP, 39, 15, 119, 8},
                                   {-1, L"static", nullptr, WS_GROUP, 114, 15, 65, 8},
                                   {1, L"button", L"OK", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 7, 145, 247, 15},
                                   {-1, L"static", nullptr, WS_GROUP, 61, 34, 87, 8},
                                   {1012, L"button", L"Website", BS_DEFPUSHBUTTON | WS_TABSTOP, 193, 23, 50, 15},
                                   {-1, L"static", nullptr, SS_BITMAP, 7, 50, 247, 93},
                               });
    // The implementer's two lines are texts; the picture is named by number.
    EXPECT_FALSE(dialog->items[2].title.isOrdinal || dialog->items[2].title.name.empty());
    EXPECT_FALSE(dialog->items[4].title.isOrdinal || dialog->items[4].title.name.empty());
    EXPECT_TRUE(dialog->items[6].title.isOrdinal);
    EXPECT_EQ(dialog->items[6].title.ordinal, IDB_ABOUT);
    // The icon the template names is not in the module.
    EXPECT_EQ(FindResourceW(Module(), L"IDI_MAINFRAME", RT_GROUP_ICON), nullptr);
}

TEST(ResModuleMenu, MainMenuPopupsAndCommands) {
    auto menu = user32::ParseMenuTemplate(Bytes(RT_MENU, IDR_MAINMENU));
    ASSERT_TRUE(menu);
    std::vector<std::tuple<std::wstring, std::wstring, WORD>> flat;
    for (const auto& popup : *menu) {
        EXPECT_EQ(popup.flags, 0x0010) << "a plain popup";
        for (const auto& item : popup.children) {
            EXPECT_EQ(item.flags, 0) << "a plain item";
            EXPECT_TRUE(item.children.empty());
            flat.emplace_back(popup.text, item.text, item.id);
        }
    }
    const std::vector<std::tuple<std::wstring, std::wstring, WORD>> expected = {
        {L"File", L"Set Capture File", 32773},
        {L"File", L"Quit", 32774},
        {L"Help", L"About", 32772},
        {L"Version", L"Check WebSite for latest version", 32775},
    };
    EXPECT_EQ(flat, expected);
    EXPECT_EQ(menu->size(), 3u);
}

TEST(ResModuleStrings, AboutItemTextAndAbsentIds) {
    EXPECT_EQ(user32::LoadStringText(Module(), IDS_ABOUTBOX), L"&About KinoreeV2...");
    wchar_t buffer[64];
    EXPECT_EQ(LoadStringW(Module(), IDS_ABOUTBOX, buffer, 64), 19);
    EXPECT_STREQ(buffer, L"&About KinoreeV2...");
    EXPECT_EQ(LoadStringW(Module(), IDS_ABOUTBOX, buffer, 7), 6);
    EXPECT_STREQ(buffer, L"&About");
    for (UINT id : {0u, 1u, 100u, 102u, 111u, 112u, 65535u, 70000u}) {
        EXPECT_EQ(user32::LoadStringText(Module(), id), L"") << id;
        buffer[0] = L'x';
        EXPECT_EQ(LoadStringW(Module(), id, buffer, 64), 0) << id;
        EXPECT_EQ(buffer[0], 0) << id;
    }
}

TEST(ResModuleIcon, OneOpaqueThirtyTwoBitImage) {
    std::span<const BYTE> group = Bytes(RT_GROUP_ICON, IDI_APPICON);
    ASSERT_EQ(group.size(), 6u + 14u);
    EXPECT_EQ(group[4], 1) << "one image";
    EXPECT_EQ(std::make_tuple(group[6], group[7], group[12]), std::make_tuple(32, 32, 32));  // 32x32, 32 bpp
    EXPECT_EQ(user32::LookupIconIdFromDirectory(group, 32), 1);
    EXPECT_EQ(user32::LookupIconIdFromDirectory(group, 16), 1) << "no small image: the large one is scaled";

    std::span<const BYTE> image = Bytes(RT_ICON, 1);
    ASSERT_EQ(image.size(), 40u + 32 * 32 * 4 + 32 * 4);
    EXPECT_EQ(Dword(image, 0), 40u);
    EXPECT_EQ(Dword(image, 4), 32u);
    EXPECT_EQ(Dword(image, 8), 64u) << "colour image and mask";
    EXPECT_EQ(Dword(image, 12), 1u | (32u << 16)) << "one plane, 32 bpp";
    EXPECT_EQ(Dword(image, 16), 0u) << "uncompressed";
    EXPECT_TRUE(std::all_of(image.begin() + 40 + 4096, image.end(), [](BYTE b) { return b == 0; })) << "mask";

    auto decoded = user32::LoadModuleIcon(Module(), MAKEINTRESOURCEW(IDI_APPICON), 32);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::tie(decoded->width, decoded->height, decoded->bitCount), std::make_tuple(32, 32, 32));
    std::set<uint32_t> colours;
    for (uint32_t p : decoded->pixels) {
        EXPECT_GE(p >> 24, 204u);
        colours.insert(p & 0xFFFFFF);
    }
    EXPECT_GT(colours.size(), 8u) << "a picture, not a plain square";
}

TEST(ResModuleBitmap, FourBitLogoOnTheStandardPalette) {
    std::span<const BYTE> dib = Bytes(RT_BITMAP, IDB_ABOUT);
    const size_t stride = (371 * 4 + 31) / 32 * 4;
    ASSERT_EQ(dib.size(), 40u + 16 * 4 + stride * 151);
    EXPECT_EQ(Dword(dib, 4), 371u);
    EXPECT_EQ(Dword(dib, 8), 151u) << "positive height: bottom-up";
    EXPECT_EQ(Dword(dib, 12), 1u | (4u << 16));
    EXPECT_EQ(Dword(dib, 16), 0u) << "uncompressed";
    EXPECT_EQ(Dword(dib, 32), 16u) << "colours used";
    EXPECT_EQ(Dword(dib, 36), 16u) << "colours important";
    const BYTE palette[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                 {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                 {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                 {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 16; ++i) {
        const BYTE* q = &dib[40 + i * 4];  // blue, green, red, reserved
        EXPECT_EQ(std::make_tuple(q[2], q[1], q[0], q[3]),
                  std::make_tuple(palette[i][0], palette[i][1], palette[i][2], 0))
            << "entry " << i;
    }
    auto decoded = user32::LoadModuleBitmap(Module(), MAKEINTRESOURCEW(IDB_ABOUT));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::tie(decoded->width, decoded->height, decoded->bitCount), std::make_tuple(371, 151, 4));
    EXPECT_EQ(decoded->pixels.front(), 0xFFFFFFFFu) << "white ground";
    const size_t white = std::count(decoded->pixels.begin(), decoded->pixels.end(), 0xFFFFFFFFu);
    EXPECT_GT(white, decoded->pixels.size() / 3);
    EXPECT_LT(white, decoded->pixels.size()) << "something drawn on it";
}

TEST(ResModuleVersion, FixedPartStringsAndTranslation) {
    std::span<const BYTE> bytes = Bytes(RT_VERSION, 1);
    auto root = restest::ParseVersionInfo(bytes);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->key, u"VS_VERSION_INFO");
    EXPECT_EQ(root->length, bytes.size());
    ASSERT_EQ(root->valueLength, 52);
    const std::span<const BYTE> fixed = root->value;
    const std::vector<DWORD> expectedFixed = {
        0xFEEF04BD,                 // signature
        0x00010000,                 // structure version 1.0
        0x00010000, 0x00000001,     // file version 1.0.0.1
        0x00010000, 0x00000001,     // product version 1.0.0.1
        0x3F,       0,              // flags mask, flags
        0x4,        0x1,        0,  // VOS__WINDOWS32, VFT_APP, no subtype
        0,          0,              // date
    };
    for (size_t i = 0; i < expectedFixed.size(); ++i) EXPECT_EQ(Dword(fixed, i * 4), expectedFixed[i]) << "field " << i;

    ASSERT_EQ(root->children.size(), 2u);
    EXPECT_EQ(root->children[0].key, u"StringFileInfo");
    EXPECT_EQ(root->children[1].key, u"VarFileInfo");
    const restest::VersionNode* table = root->children[0].child(u"040904e4");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(root->children[0].children.size(), 1u);
    const std::vector<std::pair<std::u16string, std::u16string>> expected = {
        {u"Comments", u"Kinoree Version 2.0 Pre-new year 2009 Build"},
        {u"CompanyName", u"Orvane"},
        {u"FileDescription", u"Kinoree V2.0 Stop motion video creator"},
        {u"FileVersion", u"2.0"},
        {u"InternalName", u"KinoreeV2.exe"},
        {u"LegalCopyright", u"Copyright (C) 2008 Orvane"},
        {u"OriginalFilename", u"KinoreeV2.exe"},
        {u"ProductName", u"Kinoree Version 2.0"},
        {u"ProductVersion", u"2.0"},
    };
    ASSERT_EQ(table->children.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const restest::VersionNode& value = table->children[i];
        EXPECT_EQ(value.key, expected[i].first);
        EXPECT_EQ(value.text(), expected[i].second);
        EXPECT_EQ(value.type, 1);
        EXPECT_EQ(value.valueLength, expected[i].second.size() + 1) << "counts the terminating null";
        EXPECT_EQ(value.value.back(), 0);
    }

    const restest::VersionNode* translation = root->children[1].child(u"Translation");
    ASSERT_NE(translation, nullptr);
    EXPECT_EQ(translation->type, 0);
    ASSERT_EQ(translation->valueLength, 4);
    EXPECT_EQ(Dword(translation->value, 0), 0x04E40409u) << "0x0409, code page 1252";
}

TEST(ResModuleManifest, ExactText) {
    std::span<const BYTE> bytes = Bytes(RT_MANIFEST, 1);
    const std::string text(bytes.begin(), bytes.end());
    const std::string expected =
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\r\n"
        "  <dependency>\r\n"
        "    <dependentAssembly>\r\n"
        "      <assemblyIdentity type=\"win32\" name=\"Microsoft.VC80.CRT\" version=\"8.0.50727.762\" "
        "processorArchitecture=\"x86\" publicKeyToken=\"1fc8b3b9a1e18e3b\"></assemblyIdentity>\r\n"
        "    </dependentAssembly>\r\n"
        "  </dependency>\r\n"
        "  <dependency>\r\n"
        "    <dependentAssembly>\r\n"
        "      <assemblyIdentity type=\"win32\" name=\"Microsoft.VC80.MFC\" version=\"8.0.50727.762\" "
        "processorArchitecture=\"x86\" publicKeyToken=\"1fc8b3b9a1e18e3b\"></assemblyIdentity>\r\n"
        "    </dependentAssembly>\r\n"
        "  </dependency>\r\n"
        "  <dependency>\r\n"
        "    <dependentAssembly>\r\n"
        "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
        "processorArchitecture=\"x86\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"></assemblyIdentity>\r\n"
        "    </dependentAssembly>\r\n"
        "  </dependency>\r\n"
        "</assembly>\r\n";
    EXPECT_EQ(text, expected);
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return c > 0 && c < 0x7F; }));
}

}  // namespace
