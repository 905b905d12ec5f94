// The .res reader and the resource format parsers on made-up and damaged input: the forms the
// module does not use must still read right, and nothing truncated or forged may be accepted
// or read out of bounds.

#include "kernel32_private.h"
#include "resource_formats.h"
#include "seams.h"
#include "res_builder.h"
#include "test_resources.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using restest::Bytes;
using restest::Put16;
using restest::Put32;
using restest::PutId;
using restest::PutString;

std::span<const BYTE> Span(const Bytes& b) { return {b.data(), b.size()}; }

// The tests' own module image, as windres compiled it (tests/platform/resources).
extern "C" const unsigned char platform_test_resources_begin[];
extern "C" const unsigned char platform_test_resources_end[];
std::span<const BYTE> ModuleResourceImage() { return {platform_test_resources_begin, platform_test_resources_end}; }

// Makes `image` the module's resources for one test.
class ScopedModuleImage {
public:
    explicit ScopedModuleImage(const Bytes& image) : m_span(Span(image)) {
        kernel32::SetModuleResourceImageForTesting(&m_span);
    }
    ~ScopedModuleImage() { kernel32::SetModuleResourceImageForTesting(nullptr); }

private:
    std::span<const BYTE> m_span;
};

TEST(ResImageParse, EntriesHeadersAndTruncation) {
    const std::span<const BYTE> image = ModuleResourceImage();
    auto full = kernel32::ParseResImage(image);
    ASSERT_TRUE(full);
    ASSERT_FALSE(full->empty());
    // A cut either fails or, at an entry boundary, yields the entries before it.
    for (size_t length = 0; length < image.size(); ++length) {
        auto part = kernel32::ParseResImage(image.first(length));
        if (!part) continue;
        ASSERT_LT(part->size(), full->size()) << length;
        for (size_t i = 0; i < part->size(); ++i) ASSERT_EQ((*part)[i].data.data(), (*full)[i].data.data()) << length;
        if (!part->empty()) {
            const auto& last = part->back();
            ASSERT_GE(length, size_t(last.data.data() + last.data.size() - image.data())) << length;
        }
    }

    Bytes good = restest::ResImage().add(u"TEXT", uint16_t{7}, 0x0409, {1, 2, 3}).bytes();
    auto parsed = kernel32::ParseResImage(Span(good));
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), 1u);
    EXPECT_EQ((*parsed)[0].type.name, L"TEXT");
    EXPECT_EQ((*parsed)[0].name.ordinal, 7);
    EXPECT_EQ((*parsed)[0].language, 0x0409);
    EXPECT_EQ((*parsed)[0].data.size(), 3u);

    Bytes noMarker(good.begin() + 32, good.end());
    EXPECT_FALSE(kernel32::ParseResImage(Span(noMarker)));
    Bytes hugeData = good;
    hugeData[32] = 0xFF;  // data size of the entry after the marker
    EXPECT_FALSE(kernel32::ParseResImage(Span(hugeData)));
    Bytes shortHeader = good;
    shortHeader[36] = 24;  // header size smaller than its fields
    EXPECT_FALSE(kernel32::ParseResImage(Span(shortHeader)));
    Bytes unterminated = restest::ResImage().add(u"ABCDEFGHIJKLMNOP", uint16_t{1}, 0, {}).bytes();
    unterminated[36] = 32 + 8;  // the header ends inside the type's name
    EXPECT_FALSE(kernel32::ParseResImage(Span(unterminated)));
}

TEST(ResImageParse, FindByTypeNameAndLanguage) {
    const Bytes image = restest::ResImage()
                            .add(uint16_t{5}, u"MAINDLG", 0x0809, {1})
                            .add(uint16_t{5}, uint16_t{42}, 0x0409, {2, 2})
                            .add(uint16_t{5}, uint16_t{42}, 0x0407, {3, 3, 3})
                            .add(u"CUSTOM", uint16_t{42}, 0x0C09, {4})
                            .bytes();
    ScopedModuleImage scope(image);
    HMODULE module = GetModuleHandleW(nullptr);
    EXPECT_EQ(GetModuleHandleW(L"platform_tests.EXE"), module);
    EXPECT_EQ(GetModuleHandleW(L"comctl32.dll"), nullptr);

    EXPECT_EQ(kernel32::ResourceBytes(module, RT_DIALOG, L"MainDlg").size(), 1u) << "names ignore case";
    EXPECT_EQ(kernel32::ResourceBytes(module, RT_DIALOG, L"MainDl").size(), 0u);
    EXPECT_EQ(kernel32::ResourceBytes(module, RT_DIALOG, L"#42").size(), 2u) << "first language";
    EXPECT_EQ(kernel32::ResourceBytes(module, RT_DIALOG, MAKEINTRESOURCEW(42), 0x0407).size(), 3u);
    EXPECT_EQ(kernel32::ResourceBytes(module, RT_DIALOG, MAKEINTRESOURCEW(42), 0x0809).size(), 0u);
    EXPECT_EQ(kernel32::ResourceBytes(module, RT_DIALOG, MAKEINTRESOURCEW(42), 0x0400).size(), 2u);
    EXPECT_EQ(kernel32::ResourceBytes(module, L"custom", L"#42", 0x0C09).size(), 1u);
    EXPECT_EQ(kernel32::ResourceBytes(module, L"#5", L"#4x").size(), 0u);
    EXPECT_EQ(kernel32::ResourceBytes(module, RT_MENU, MAKEINTRESOURCEW(42)).size(), 0u);

    // An image that cannot be read leaves the module without resources.
    const Bytes broken(image.begin(), image.end() - 5);
    ScopedModuleImage brokenScope(broken);
    EXPECT_TRUE(kernel32::ModuleResourceEntries().empty());
    EXPECT_EQ(FindResourceW(module, L"MAINDLG", RT_DIALOG), nullptr);
}

TEST(ResImageParse, Utf16BecomesWide) {
    const Bytes text = {'A', 0, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xD8, 'z', 0, 0x01};
    EXPECT_EQ(kernel32::WideFromUtf16(Span(text)), std::wstring(L"A\U0001F600") + wchar_t(0xD800) + L"z");
}

TEST(ResStringTable, BlocksOfSixteenAndDamage) {
    // Block 2 holds ids 16..31: 16 "", 17 "one", 18 "", 19 the surrogate pair.
    Bytes block;
    Put16(block, 0);
    Put16(block, 3);
    for (char16_t c : std::u16string(u"one")) Put16(block, c);
    Put16(block, 0);
    Put16(block, 2);
    Put16(block, 0xD83D);
    Put16(block, 0xDE00);
    for (int i = 4; i < 16; ++i) Put16(block, 0);
    const Bytes image = restest::ResImage().add(uint16_t{6}, uint16_t{2}, 0x0809, block).bytes();
    {
        ScopedModuleImage scope(image);
        EXPECT_EQ(user32::LoadStringText(nullptr, 17), L"one");
        EXPECT_EQ(user32::LoadStringText(nullptr, 19), L"\U0001F600");
        EXPECT_EQ(user32::LoadStringText(nullptr, 16), L"");
        EXPECT_EQ(user32::LoadStringText(nullptr, 1), L"");
    }
    // A block cut inside string 17: it and everything after it are absent.
    const Bytes cut(block.begin(), block.begin() + 6);
    const Bytes cutImage = restest::ResImage().add(uint16_t{6}, uint16_t{2}, 0x0809, cut).bytes();
    ScopedModuleImage scope(cutImage);
    EXPECT_EQ(user32::LoadStringText(nullptr, 17), L"");
    EXPECT_EQ(user32::LoadStringText(nullptr, 19), L"");
    EXPECT_EQ(user32::LoadStringText(nullptr, 16), L"");
}

// A classic template without a font, one item with a named class, an ordinal title and
// creation data; the item starts unaligned so the reader must pad.
Bytes ClassicTemplate() {
    Bytes t;
    Put32(t, 0x80C80000);  // no DS_SETFONT
    Put32(t, 0x8);
    Put16(t, 2);  // items
    for (int v : {10, 20, 300, 200}) Put16(t, v);
    PutId(t, uint16_t{77});  // menu
    PutString(t, u"MyClass");
    PutString(t, u"Hi");
    restest::PadDword(t);
    Put32(t, 0x50000000);
    Put32(t, 0x200);
    for (int v : {-1, 2, 3, 4}) Put16(t, v);
    Put16(t, 0xFFFF);  // id
    PutString(t, u"Custom");
    PutId(t, uint16_t{136});
    Put16(t, 3);
    t.insert(t.end(), {9, 8, 7});
    restest::PadDword(t);
    Put32(t, 0x50000001);
    Put32(t, 0);
    for (int v : {5, 6, 7, 8}) Put16(t, v);
    Put16(t, 1);
    PutId(t, uint16_t{0x80});
    PutString(t, u"OK");
    Put16(t, 0);
    return t;
}

Bytes ExtendedTemplate() {
    Bytes t;
    Put16(t, 1);
    Put16(t, 0xFFFF);
    Put32(t, 99);          // help id
    Put32(t, 0x100);       // extended style
    Put32(t, 0x80C80048);  // DS_SETFONT
    Put16(t, 1);
    for (int v : {0, 0, 50, 40}) Put16(t, v);
    Put16(t, 0);
    PutId(t, uint16_t{0x8002});
    PutString(t, u"");
    Put16(t, 9);
    Put16(t, 700);
    t.push_back(1);
    t.push_back(0xEE);
    PutString(t, u"Tahoma");
    restest::PadDword(t);
    Put32(t, 5);
    Put32(t, 6);
    Put32(t, 0x50010000);
    for (int v : {1, 2, 3, 4}) Put16(t, v);
    Put32(t, 0xFFFFFFFF);
    PutId(t, uint16_t{0x82});
    PutString(t, u"x");
    Put16(t, 2);
    t.insert(t.end(), {0xAB, 0xCD});
    return t;
}

TEST(ResTemplateParse, ClassicAndExtendedForms) {
    auto classic = user32::ParseDialogTemplate(Span(ClassicTemplate()));
    ASSERT_TRUE(classic);
    EXPECT_FALSE(classic->extended);
    EXPECT_EQ(classic->style, 0x80C80000u);
    EXPECT_EQ(classic->exStyle, 0x8u);
    EXPECT_EQ(classic->menu.ordinal, 77);
    EXPECT_EQ(classic->windowClass.name, L"MyClass");
    EXPECT_EQ(classic->caption, L"Hi");
    EXPECT_TRUE(classic->typeface.empty());
    ASSERT_EQ(classic->items.size(), 2u);
    const auto& custom = classic->items[0];
    EXPECT_EQ(custom.id, -1);
    EXPECT_EQ(custom.x, -1);
    EXPECT_EQ(custom.exStyle, 0x200u);
    EXPECT_EQ(custom.windowClass.name, L"Custom");
    EXPECT_TRUE(custom.title.isOrdinal);
    EXPECT_EQ(custom.title.ordinal, 136);
    EXPECT_EQ(custom.creationData, (std::vector<BYTE>{9, 8, 7}));
    EXPECT_EQ(classic->items[1].title.name, L"OK");
    EXPECT_EQ(classic->items[1].windowClass.ordinal, 0x80);

    auto extended = user32::ParseDialogTemplate(Span(ExtendedTemplate()));
    ASSERT_TRUE(extended);
    EXPECT_TRUE(extended->extended);
    EXPECT_EQ(extended->helpId, 99u);
    EXPECT_EQ(extended->exStyle, 0x100u);
    EXPECT_TRUE(extended->menu.empty());
    EXPECT_EQ(extended->windowClass.ordinal, 0x8002);
    EXPECT_EQ(extended->caption, L"");
    EXPECT_EQ(std::tie(extended->pointSize, extended->weight, extended->italic, extended->charset),
              std::make_tuple(9, 700, 1, 0xEE));
    EXPECT_EQ(extended->typeface, L"Tahoma");
    ASSERT_EQ(extended->items.size(), 1u);
    const auto& item = extended->items[0];
    EXPECT_EQ(std::tie(item.helpId, item.exStyle, item.style), std::make_tuple(5u, 6u, 0x50010000u));
    EXPECT_EQ(item.id, -1);
    EXPECT_EQ(item.title.name, L"x");
    EXPECT_EQ(item.creationData, (std::vector<BYTE>{0xAB, 0xCD}));
}

TEST(ResTemplateParse, EveryTruncationIsRefused) {
    const HMODULE module = GetModuleHandleW(nullptr);
    const std::vector<Bytes> templates = {
        ClassicTemplate(),
        ExtendedTemplate(),
        Bytes(kernel32::ResourceBytes(module, RT_DIALOG, MAKEINTRESOURCEW(IDD_PANEL)).begin(),
              kernel32::ResourceBytes(module, RT_DIALOG, MAKEINTRESOURCEW(IDD_PANEL)).end()),
        Bytes(kernel32::ResourceBytes(module, RT_DIALOG, MAKEINTRESOURCEW(IDD_TWO_DEFAULTS)).begin(),
              kernel32::ResourceBytes(module, RT_DIALOG, MAKEINTRESOURCEW(IDD_TWO_DEFAULTS)).end()),
    };
    for (size_t t = 0; t < templates.size(); ++t) {
        ASSERT_TRUE(user32::ParseDialogTemplate(Span(templates[t]))) << t;
        for (size_t length = 0; length < templates[t].size(); ++length) {
            // A copy of exactly that length, so that a read past it is caught by sanitisers.
            const Bytes cut(templates[t].begin(), templates[t].begin() + length);
            EXPECT_FALSE(user32::ParseDialogTemplate(Span(cut))) << "template " << t << " cut to " << length;
        }
    }
    // A count of items far beyond the bytes.
    Bytes forged = ClassicTemplate();
    forged[8] = 0xFF;
    forged[9] = 0xFF;
    EXPECT_FALSE(user32::ParseDialogTemplate(Span(forged)));
}

TEST(ResMenuParse, NestingFlagsAndTruncation) {
    // File > (Open 1, separator, Recent > (a 2 grayed)), Exit 3
    Bytes m;
    Put32(m, 0);
    Put16(m, 0x10);
    PutString(m, u"File");
    Put16(m, 0);
    Put16(m, 1);
    PutString(m, u"Open");
    Put16(m, 0);
    Put16(m, 0);
    PutString(m, u"");
    Put16(m, 0x10 | 0x80);
    PutString(m, u"Recent");
    Put16(m, 0x01 | 0x80);
    Put16(m, 2);
    PutString(m, u"a");
    Put16(m, 0x80);
    Put16(m, 3);
    PutString(m, u"Exit");
    auto menu = user32::ParseMenuTemplate(Span(m));
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->size(), 2u);
    const auto& file = (*menu)[0];
    EXPECT_EQ(file.flags, 0x10);
    ASSERT_EQ(file.children.size(), 3u);
    EXPECT_EQ(file.children[1].text, L"");
    EXPECT_EQ(file.children[1].id, 0);
    const auto& recent = file.children[2];
    EXPECT_EQ(recent.flags, 0x10) << "the end mark is not a flag";
    ASSERT_EQ(recent.children.size(), 1u);
    EXPECT_EQ(std::tie(recent.children[0].flags, recent.children[0].id), std::make_tuple(WORD(1), WORD(2)));
    EXPECT_EQ((*menu)[1].text, L"Exit");
    EXPECT_EQ((*menu)[1].id, 3);

    for (size_t length = 5; length < m.size(); ++length) {
        const Bytes cut(m.begin(), m.begin() + length);
        EXPECT_FALSE(user32::ParseMenuTemplate(Span(cut))) << length;
    }
    const Bytes header(m.begin(), m.begin() + 4);
    auto empty = user32::ParseMenuTemplate(Span(header));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
    Bytes extended = m;
    extended[0] = 1;
    EXPECT_FALSE(user32::ParseMenuTemplate(Span(extended)));
    // Popups nested past any real menu are refused rather than recursed into.
    Bytes deep;
    Put32(deep, 0);
    for (int i = 0; i < 10000; ++i) {
        Put16(deep, 0x10);
        Put16(deep, 0);
    }
    EXPECT_FALSE(user32::ParseMenuTemplate(Span(deep)));
}

Bytes InfoHeader(int32_t width, int32_t height, int bitCount, uint32_t colours) {
    Bytes h;
    Put32(h, 40);
    Put32(h, static_cast<uint32_t>(width));
    Put32(h, static_cast<uint32_t>(height));
    Put16(h, 1);
    Put16(h, bitCount);
    for (int i = 0; i < 4; ++i) Put32(h, 0);
    Put32(h, colours);
    Put32(h, 0);
    return h;
}

TEST(ResDibDecode, DepthsAndRowOrder) {
    // 2x2, 24 bpp: rows padded to 8 bytes. Stored rows: red green / blue white.
    auto rows24 = [](int32_t height) {
        Bytes b = InfoHeader(2, height, 24, 0);
        b.insert(b.end(), {0, 0, 255, 0, 255, 0, 0, 0});
        b.insert(b.end(), {255, 0, 0, 255, 255, 255, 0, 0});
        return b;
    };
    auto bottomUp = user32::DecodeDib(Span(rows24(2)));
    ASSERT_TRUE(bottomUp);
    EXPECT_EQ(bottomUp->pixels, (std::vector<uint32_t>{0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00}));
    auto topDown = user32::DecodeDib(Span(rows24(-2)));
    ASSERT_TRUE(topDown);
    EXPECT_EQ(topDown->height, 2);
    EXPECT_EQ(topDown->pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));

    // 3x1, 4 bpp on a two-colour table: index 2 lies beyond it and reads as black.
    Bytes four = InfoHeader(3, 1, 4, 2);
    four.insert(four.end(), {0x10, 0x20, 0x30, 0, 0xFF, 0xFF, 0xFF, 0});
    four.insert(four.end(), {0x01, 0x20, 0, 0});
    auto indexed = user32::DecodeDib(Span(four));
    ASSERT_TRUE(indexed);
    EXPECT_EQ(indexed->bitCount, 4);
    EXPECT_EQ(indexed->pixels, (std::vector<uint32_t>{0xFF302010, 0xFFFFFFFF, 0xFF000000}));

    // 32 bpp keeps stored alpha, or is opaque when no pixel has any.
    Bytes withAlpha = InfoHeader(1, 1, 32, 0);
    withAlpha.insert(withAlpha.end(), {1, 2, 3, 0x80});
    EXPECT_EQ(user32::DecodeDib(Span(withAlpha))->pixels[0], 0x80030201u);
    withAlpha.back() = 0;
    EXPECT_EQ(user32::DecodeDib(Span(withAlpha))->pixels[0], 0xFF030201u);

    EXPECT_FALSE(user32::DecodeDib(Span(InfoHeader(0x7FFFFFFF, 0x7FFFFFFF, 32, 0))));
    EXPECT_FALSE(user32::DecodeDib(Span(InfoHeader(1, INT32_MIN, 24, 0))));
    EXPECT_FALSE(user32::DecodeDib(Span(InfoHeader(4, 4, 8, 0xFFFFFFFF))));
    Bytes rle = rows24(2);
    rle[16] = 1;
    EXPECT_FALSE(user32::DecodeDib(Span(rle)));
    const Bytes whole = rows24(2);
    for (size_t length = 0; length < whole.size(); ++length)
        EXPECT_FALSE(user32::DecodeDib(Span(Bytes(whole.begin(), whole.begin() + length)))) << length;
}

TEST(ResIconDecode, MaskAlphaAndTruncation) {
    // 2x2 at 4 bpp with a mask hiding the top-left pixel (mask rows are bottom-up too).
    Bytes icon = InfoHeader(2, 4, 4, 16);
    for (int i = 0; i < 16; ++i) icon.insert(icon.end(), {BYTE(i), BYTE(i), BYTE(i), 0});
    icon.insert(icon.end(), {0x12, 0, 0, 0, 0x34, 0, 0, 0});  // bottom row 1 2, top row 3 4
    icon.insert(icon.end(), {0x00, 0, 0, 0, 0x80, 0, 0, 0});
    auto decoded = user32::DecodeIconImage(Span(icon));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::tie(decoded->width, decoded->height), std::make_tuple(2, 2));
    EXPECT_EQ(decoded->pixels, (std::vector<uint32_t>{0x00030303, 0xFF040404, 0xFF010101, 0xFF020202}));

    // 32 bpp with no alpha at all falls back to the mask.
    Bytes flat = InfoHeader(1, 2, 32, 0);
    flat.insert(flat.end(), {9, 9, 9, 0, 0x80, 0, 0, 0});
    EXPECT_EQ(user32::DecodeIconImage(Span(flat))->pixels[0], 0x00090909u);
    flat[43] = 0x40;
    EXPECT_EQ(user32::DecodeIconImage(Span(flat))->pixels[0], 0x40090909u);

    EXPECT_FALSE(user32::DecodeIconImage(Span(InfoHeader(2, 3, 32, 0)))) << "odd doubled height";
    EXPECT_FALSE(user32::DecodeIconImage(Span(InfoHeader(2, -4, 32, 0)))) << "icons are bottom-up";
    for (const Bytes& whole : {icon, flat}) {
        for (size_t length = 0; length < whole.size(); ++length)
            EXPECT_FALSE(user32::DecodeIconImage(Span(Bytes(whole.begin(), whole.begin() + length)))) << length;
    }
}

TEST(ResIconDirectory, PicksTheClosestSize) {
    auto group = [](std::initializer_list<std::tuple<int, int, int>> images) {
        Bytes g;
        Put16(g, 0);
        Put16(g, 1);
        Put16(g, static_cast<uint32_t>(images.size()));
        for (auto [size, bits, id] : images) {
            g.insert(g.end(), {BYTE(size), BYTE(size), 0, 0});
            Put16(g, 1);
            Put16(g, bits);
            Put32(g, 100);
            Put16(g, id);
        }
        return g;
    };
    const Bytes sizes = group({{16, 32, 1}, {48, 32, 3}, {32, 8, 2}, {32, 32, 4}, {0, 32, 5}});
    EXPECT_EQ(user32::LookupIconIdFromDirectory(Span(sizes), 32), 4) << "deeper of two 32s";
    EXPECT_EQ(user32::LookupIconIdFromDirectory(Span(sizes), 24), 4);
    EXPECT_EQ(user32::LookupIconIdFromDirectory(Span(sizes), 16), 1);
    EXPECT_EQ(user32::LookupIconIdFromDirectory(Span(sizes), 100), 5) << "0 means 256";
    EXPECT_EQ(user32::LookupIconIdFromDirectory(Span(sizes), 0), 4) << "the system size";
    const Bytes small = group({{16, 32, 1}, {24, 32, 2}});
    EXPECT_EQ(user32::LookupIconIdFromDirectory(Span(small), 32), 2) << "largest when none is big enough";

    EXPECT_EQ(user32::LookupIconIdFromDirectory(Span(group({})), 32), 0);
    const Bytes cut(sizes.begin(), sizes.end() - 1);
    EXPECT_EQ(user32::LookupIconIdFromDirectory(Span(cut), 32), 0);
    Bytes cursors = sizes;
    cursors[2] = 2;
    EXPECT_EQ(user32::LookupIconIdFromDirectory(Span(cursors), 32), 0);
}

}  // namespace
