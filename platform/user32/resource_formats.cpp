#include "resource_formats.h"

#include "kernel32_private.h"
#include "text.h"
#include "winuser.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace user32 {
namespace {

// BI_RGB: an uncompressed bitmap.
constexpr DWORD kUncompressed = 0;
constexpr size_t kMaxMenuDepth = 64;
// Beyond any picture a resource holds; keeps a forged header from asking for gigabytes.
constexpr uint64_t kMaxPixels = 64ull * 1024 * 1024;

// A bounds-checked little-endian reader over one resource. A read past the end marks the
// reader failed and yields zeros; callers check ok() before trusting what they built.
class Reader {
public:
    explicit Reader(std::span<const BYTE> bytes) : m_bytes(bytes) {}

    bool ok() const { return m_ok; }
    size_t pos() const { return m_pos; }
    size_t remaining() const { return m_ok ? m_bytes.size() - m_pos : 0; }
    bool atEnd() const { return m_pos >= m_bytes.size(); }

    BYTE byte() {
        if (!take(1)) return 0;
        return m_bytes[m_pos - 1];
    }
    WORD word() {
        if (!take(2)) return 0;
        return static_cast<WORD>(m_bytes[m_pos - 2] | (m_bytes[m_pos - 1] << 8));
    }
    DWORD dword() {
        const DWORD low = word();
        const DWORD high = word();
        return low | (high << 16);
    }
    SHORT signedWord() { return static_cast<SHORT>(word()); }

    std::span<const BYTE> bytes(size_t count) {
        if (!take(count)) return {};
        return m_bytes.subspan(m_pos - count, count);
    }

    // Templates align their items on DWORDs counted from the template's start.
    void alignDword() {
        const size_t aligned = (m_pos + 3) & ~size_t{3};
        // Padding may be missing after the last item; only what follows needs the bytes.
        m_pos = std::min(aligned, m_bytes.size());
    }

    // A NUL-terminated UTF-16 string.
    std::wstring string() {
        const size_t start = m_pos;
        while (m_ok) {
            if (word() == 0) break;
        }
        if (!m_ok) return {};
        return kernel32::WideFromUtf16(m_bytes.subspan(start, m_pos - 2 - start));
    }

    // 0x0000: nothing; 0xFFFF: an ordinal follows; otherwise a string starts here.
    ResourceRef reference() {
        ResourceRef ref;
        if (!m_ok || remaining() < 2) {
            m_ok = false;
            return ref;
        }
        const WORD first = static_cast<WORD>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
        if (first == 0xFFFF) {
            word();
            ref.isOrdinal = true;
            ref.ordinal = word();
        } else {
            ref.name = string();
        }
        return ref;
    }

private:
    bool take(size_t count) {
        if (!m_ok || m_bytes.size() - m_pos < count) {
            m_ok = false;
            return false;
        }
        m_pos += count;
        return true;
    }

    std::span<const BYTE> m_bytes;
    size_t m_pos = 0;
    bool m_ok = true;
};

bool ReadItem(Reader& in, bool extended, DialogItemTemplate& item) {
    in.alignDword();
    if (extended) {
        item.helpId = in.dword();
        item.exStyle = in.dword();
        item.style = in.dword();
    } else {
        item.style = in.dword();
        item.exStyle = in.dword();
    }
    item.x = in.signedWord();
    item.y = in.signedWord();
    item.cx = in.signedWord();
    item.cy = in.signedWord();
    item.id = extended ? static_cast<int>(static_cast<int32_t>(in.dword())) : static_cast<int>(in.signedWord());
    item.windowClass = in.reference();
    item.title = in.reference();
    // The count excludes itself, in both forms.
    const WORD extra = in.word();
    const std::span<const BYTE> data = in.bytes(extra);
    item.creationData.assign(data.begin(), data.end());
    return in.ok();
}

bool ReadMenuItems(Reader& in, size_t depth, std::vector<MenuItemTemplate>& items) {
    if (depth > kMaxMenuDepth) return false;
    while (true) {
        MenuItemTemplate item;
        const WORD flags = in.word();
        if (!(flags & MF_POPUP)) item.id = in.word();
        item.text = in.string();
        if (!in.ok()) return false;
        item.flags = static_cast<WORD>(flags & ~MF_END);
        if (flags & MF_POPUP) {
            if (!ReadMenuItems(in, depth + 1, item.children)) return false;
        }
        items.push_back(std::move(item));
        if (flags & MF_END) return true;
    }
}

uint32_t Argb(BYTE a, BYTE r, BYTE g, BYTE b) {
    return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b;
}

// Decodes a BITMAPINFOHEADER-led DIB. `icon`: the height is doubled and a 1-bpp AND mask
// follows the colour bits.
std::optional<DecodedImage> Decode(std::span<const BYTE> bytes, bool icon) {
    Reader in(bytes);
    const DWORD headerSize = in.dword();
    const LONG width = static_cast<LONG>(in.dword());
    const LONG storedHeight = static_cast<LONG>(in.dword());
    const WORD planes = in.word();
    const WORD bitCount = in.word();
    const DWORD compression = in.dword();
    in.dword();  // image size: may be 0 when uncompressed, so the layout decides
    in.dword();  // resolution
    in.dword();
    const DWORD colourUsed = in.dword();
    if (!in.ok() || headerSize < 40 || headerSize > bytes.size()) return std::nullopt;
    if (planes != 1 || compression != kUncompressed || width <= 0 || storedHeight == 0 || storedHeight == INT32_MIN)
        return std::nullopt;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return std::nullopt;

    bool topDown = storedHeight < 0;
    LONG height = topDown ? -storedHeight : storedHeight;
    if (icon) {
        // Icon images are bottom-up and hold the colour image and the mask in one height.
        if (topDown || height % 2 != 0) return std::nullopt;
        height /= 2;
    }
    if (height == 0 || static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxPixels) return std::nullopt;

    // Colour table: indexed pictures use it; deeper ones may carry one that we skip.
    uint64_t colours = colourUsed;
    if (bitCount <= 8) {
        if (colours == 0) colours = uint64_t{1} << bitCount;
        if (colours > (uint64_t{1} << bitCount)) return std::nullopt;
    }
    const uint64_t tableBytes = colours * 4;
    const uint64_t stride = ((static_cast<uint64_t>(width) * bitCount + 31) / 32) * 4;
    const uint64_t maskStride = ((static_cast<uint64_t>(width) + 31) / 32) * 4;
    const uint64_t bitsOffset = headerSize + tableBytes;
    const uint64_t maskOffset = bitsOffset + stride * static_cast<uint64_t>(height);
    const uint64_t end = maskOffset + (icon ? maskStride * static_cast<uint64_t>(height) : 0);
    if (end > bytes.size()) return std::nullopt;

    std::vector<uint32_t> palette;
    if (bitCount <= 8) {
        palette.resize(size_t{1} << bitCount, Argb(0xFF, 0, 0, 0));
        for (size_t i = 0; i < colours; ++i) {
            const BYTE* q = &bytes[headerSize + i * 4];
            palette[i] = Argb(0xFF, q[2], q[1], q[0]);
        }
    }

    DecodedImage image;
    image.width = width;
    image.height = height;
    image.bitCount = bitCount;
    image.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    bool anyAlpha = false;
    for (LONG row = 0; row < height; ++row) {
        const LONG sourceRow = topDown ? row : height - 1 - row;
        const BYTE* src = &bytes[bitsOffset + stride * static_cast<uint64_t>(sourceRow)];
        uint32_t* dst = &image.pixels[static_cast<size_t>(row) * static_cast<size_t>(width)];
        for (LONG x = 0; x < width; ++x) {
            switch (bitCount) {
            case 1:
                dst[x] = palette[(src[x / 8] >> (7 - x % 8)) & 1];
                break;
            case 4:
                dst[x] = palette[(src[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F];
                break;
            case 8:
                dst[x] = palette[src[x]];
                break;
            case 16: {
                // kUncompressed 16-bpp is 5-5-5; each channel widened by repeating its top bits.
                const WORD v = static_cast<WORD>(src[x * 2] | (src[x * 2 + 1] << 8));
                const BYTE r = (v >> 10) & 0x1F, g = (v >> 5) & 0x1F, b = v & 0x1F;
                dst[x] = Argb(0xFF, static_cast<BYTE>((r << 3) | (r >> 2)), static_cast<BYTE>((g << 3) | (g >> 2)),
                              static_cast<BYTE>((b << 3) | (b >> 2)));
                break;
            }
            case 24:
                dst[x] = Argb(0xFF, src[x * 3 + 2], src[x * 3 + 1], src[x * 3]);
                break;
            case 32:
                dst[x] = Argb(src[x * 4 + 3], src[x * 4 + 2], src[x * 4 + 1], src[x * 4]);
                anyAlpha = anyAlpha || src[x * 4 + 3] != 0;
                break;
            }
        }
    }

    // A 32-bpp picture whose fourth bytes are all zero was written without alpha: the
    // platform then treats it as opaque (a bitmap) or goes by the mask (an icon).
    const bool alphaFromPixels = bitCount == 32 && anyAlpha;
    if (bitCount == 32 && !alphaFromPixels) {
        for (uint32_t& p : image.pixels) p |= 0xFF000000u;
    }
    if (icon && !alphaFromPixels) {
        for (LONG row = 0; row < height; ++row) {
            const BYTE* mask = &bytes[maskOffset + maskStride * static_cast<uint64_t>(height - 1 - row)];
            uint32_t* dst = &image.pixels[static_cast<size_t>(row) * static_cast<size_t>(width)];
            for (LONG x = 0; x < width; ++x) {
                if ((mask[x / 8] >> (7 - x % 8)) & 1) dst[x] &= 0x00FFFFFFu;
            }
        }
    }
    return image;
}

}  // namespace

std::optional<DialogTemplate> ParseDialogTemplate(std::span<const BYTE> bytes) {
    Reader in(bytes);
    DialogTemplate dialog;
    const WORD first = in.word();
    const WORD second = in.word();
    if (!in.ok()) return std::nullopt;
    WORD count = 0;
    dialog.extended = first == 1 && second == 0xFFFF;
    if (dialog.extended) {
        dialog.helpId = in.dword();
        dialog.exStyle = in.dword();
        dialog.style = in.dword();
    } else {
        dialog.style = static_cast<DWORD>(first) | (static_cast<DWORD>(second) << 16);
        dialog.exStyle = in.dword();
    }
    count = in.word();
    dialog.x = in.signedWord();
    dialog.y = in.signedWord();
    dialog.cx = in.signedWord();
    dialog.cy = in.signedWord();
    dialog.menu = in.reference();
    dialog.windowClass = in.reference();
    dialog.caption = in.string();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = in.word();
        if (dialog.extended) {
            dialog.weight = in.word();
            dialog.italic = in.byte();
            dialog.charset = in.byte();
        }
        dialog.typeface = in.string();
    }
    if (!in.ok()) return std::nullopt;
    // Each item takes at least 18 bytes; a count beyond that cannot be honest.
    if (count > in.remaining() / 18 + 1) return std::nullopt;
    dialog.items.resize(count);
    for (DialogItemTemplate& item : dialog.items) {
        if (!ReadItem(in, dialog.extended, item)) return std::nullopt;
    }
    return dialog;
}

std::optional<std::vector<MenuItemTemplate>> ParseMenuTemplate(std::span<const BYTE> bytes) {
    Reader in(bytes);
    const WORD version = in.word();
    const WORD headerSize = in.word();
    if (!in.ok() || version != 0) return std::nullopt;
    in.bytes(headerSize);
    if (!in.ok()) return std::nullopt;
    std::vector<MenuItemTemplate> items;
    if (in.atEnd()) return items;
    if (!ReadMenuItems(in, 0, items)) return std::nullopt;
    return items;
}

std::optional<DecodedImage> DecodeDib(std::span<const BYTE> bytes) { return Decode(bytes, false); }

std::optional<DecodedImage> DecodeIconImage(std::span<const BYTE> bytes) { return Decode(bytes, true); }

WORD LookupIconIdFromDirectory(std::span<const BYTE> groupBytes, int wantedSize) {
    Reader in(groupBytes);
    const WORD reserved = in.word();
    const WORD type = in.word();
    const WORD count = in.word();
    if (!in.ok() || reserved != 0 || type != 1) return 0;
    if (wantedSize <= 0) wantedSize = 32;  // the system's icon size
    struct Candidate {
        int size = 0;
        int bitCount = 0;
        WORD id = 0;
    };
    std::optional<Candidate> best;
    // Closest not smaller wins; failing that, the largest; the deeper image breaks a tie.
    auto better = [wantedSize](const Candidate& a, const Candidate& b) {
        const bool aFits = a.size >= wantedSize, bFits = b.size >= wantedSize;
        if (aFits != bFits) return aFits;
        if (a.size != b.size) return aFits ? a.size < b.size : a.size > b.size;
        return a.bitCount > b.bitCount;
    };
    for (WORD i = 0; i < count; ++i) {
        const BYTE width = in.byte();
        const BYTE height = in.byte();
        in.byte();  // colour count
        in.byte();  // reserved
        in.word();  // planes
        const WORD bitCount = in.word();
        in.dword();  // bytes in the image
        const WORD id = in.word();
        if (!in.ok()) return 0;
        // A zero width or height means 256.
        Candidate candidate{std::max(width ? width : 256, height ? height : 256), bitCount, id};
        if (!best || better(candidate, *best)) best = candidate;
    }
    return best ? best->id : 0;
}

std::optional<DecodedImage> LoadModuleIcon(HINSTANCE instance, LPCWSTR groupName, int wantedSize) {
    const WORD id = LookupIconIdFromDirectory(kernel32::ResourceBytes(instance, RT_GROUP_ICON, groupName), wantedSize);
    if (id == 0) return std::nullopt;
    return DecodeIconImage(kernel32::ResourceBytes(instance, RT_ICON, MAKEINTRESOURCEW(id)));
}

std::optional<DecodedImage> LoadModuleBitmap(HINSTANCE instance, LPCWSTR name) {
    return DecodeDib(kernel32::ResourceBytes(instance, RT_BITMAP, name));
}

std::wstring LoadStringText(HINSTANCE instance, UINT id) {
    if (id > 0xFFFF) return {};
    const std::span<const BYTE> block = kernel32::ResourceBytes(instance, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1));
    Reader in(block);
    for (UINT i = 0; i < id % 16; ++i) in.bytes(size_t{in.word()} * 2);
    const WORD length = in.word();
    const std::span<const BYTE> text = in.bytes(size_t{length} * 2);
    if (!in.ok()) return {};
    return kernel32::WideFromUtf16(text);
}

}  // namespace user32

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax) {
    if (bufferMax <= 0) return 0;
    return static_cast<int>(
        user32::CopyTruncated(user32::LoadStringText(instance, id), buffer, static_cast<size_t>(bufferMax)));
}
