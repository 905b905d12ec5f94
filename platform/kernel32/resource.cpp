#include "kernel32_private.h"
#include "program_registration.h"

#include <algorithm>
#include <cwctype>
#include <list>
#include <memory>
#include <mutex>

namespace kernel32 {
namespace {

// The classic image base: any non-null value would do, this one reads well in a debugger.
HMODULE const kProgramModule = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x00400000));

WORD ReadWord(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

DWORD ReadDword(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

// Reads a type or name field of an entry header at `pos`, which must end by `limit`;
// returns the position after it, or 0 when it runs past the limit.
size_t ReadIdField(std::span<const BYTE> image, size_t pos, size_t limit, ResourceId& id) {
    if (limit - pos < 2) return 0;
    if (ReadWord(&image[pos]) == 0xFFFF) {
        if (limit - pos < 4) return 0;
        id.isOrdinal = true;
        id.ordinal = ReadWord(&image[pos + 2]);
        return pos + 4;
    }
    size_t end = pos;
    while (true) {
        if (limit - end < 2) return 0;
        if (ReadWord(&image[end]) == 0) break;
        end += 2;
    }
    id.isOrdinal = false;
    id.name = WideFromUtf16(image.subspan(pos, end - pos));
    return end + 2;
}

size_t AlignDword(size_t n) { return (n + 3) & ~size_t{3}; }

// The entries of one image. Tables are never freed while the program runs, so that an HRSRC
// (a pointer to an entry) stays a valid object whatever image tests switch to.
struct ModuleTable {
    std::vector<ResourceEntry> entries;
};

struct ModuleState {
    std::mutex mutex;
    std::wstring name;
    std::span<const BYTE> image;
    std::list<std::unique_ptr<ModuleTable>> tables;  // the current one is at the back
};

ModuleState& State() {
    static ModuleState state;
    return state;
}

std::unique_ptr<ModuleTable> BuildTable(std::span<const BYTE> image) {
    auto table = std::make_unique<ModuleTable>();
    if (auto entries = ParseResImage(image)) table->entries = std::move(*entries);
    return table;
}

const ModuleTable& CurrentTable() {
    ModuleState& state = State();
    std::lock_guard lock(state.mutex);
    if (state.tables.empty()) state.tables.push_back(BuildTable(state.image));
    return *state.tables.back();
}

bool EqualsIgnoringCase(const std::wstring& a, LPCWSTR b) {
    size_t i = 0;
    for (; i < a.size(); ++i) {
        if (b[i] == 0 || std::towupper(static_cast<wint_t>(a[i])) != std::towupper(static_cast<wint_t>(b[i])))
            return false;
    }
    return b[i] == 0;
}

// A type or name as the caller gives it: an integer resource, "#decimal", or a string.
struct WantedId {
    bool isOrdinal = false;
    WORD ordinal = 0;
    LPCWSTR name = nullptr;
};

std::optional<WantedId> ToWanted(LPCWSTR id) {
    WantedId wanted;
    if (IS_INTRESOURCE(id)) {
        wanted.isOrdinal = true;
        wanted.ordinal = static_cast<WORD>(reinterpret_cast<uintptr_t>(id));
        return wanted;
    }
    if (id[0] == L'#') {
        DWORD value = 0;
        size_t i = 1;
        for (; id[i] >= L'0' && id[i] <= L'9'; ++i) {
            value = value * 10 + static_cast<DWORD>(id[i] - L'0');
            if (value > 0xFFFF) return std::nullopt;
        }
        if (i == 1 || id[i] != 0) return std::nullopt;
        wanted.isOrdinal = true;
        wanted.ordinal = static_cast<WORD>(value);
        return wanted;
    }
    wanted.name = id;
    return wanted;
}

bool Matches(const ResourceId& id, const WantedId& wanted) {
    if (id.isOrdinal != wanted.isOrdinal) return false;
    return id.isOrdinal ? id.ordinal == wanted.ordinal : EqualsIgnoringCase(id.name, wanted.name);
}

const ResourceEntry* Find(const ModuleTable& table, const WantedId& type, const WantedId& name, WORD language,
                          bool anyLanguage) {
    for (const ResourceEntry& entry : table.entries) {
        if ((anyLanguage || entry.language == language) && Matches(entry.type, type) && Matches(entry.name, name))
            return &entry;
    }
    return nullptr;
}

const ResourceEntry* FromHandle(HRSRC resource) { return reinterpret_cast<const ResourceEntry*>(resource); }

}  // namespace

std::wstring WideFromUtf16(std::span<const BYTE> utf16le) {
    std::wstring text;
    const size_t units = utf16le.size() / 2;
    text.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        const WORD unit = ReadWord(&utf16le[i * 2]);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const WORD low = ReadWord(&utf16le[(i + 1) * 2]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                text.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
                ++i;
                continue;
            }
        }
        text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
}

std::optional<std::vector<ResourceEntry>> ParseResImage(std::span<const BYTE> image) {
    // Fixed part of a header: the two sizes in front, the five fields after the names.
    constexpr size_t kSizesBytes = 8;
    constexpr size_t kTailBytes = 16;
    std::vector<ResourceEntry> entries;
    size_t pos = 0;
    bool first = true;
    while (pos < image.size()) {
        const size_t remaining = image.size() - pos;
        if (remaining < kSizesBytes) return std::nullopt;
        const DWORD dataSize = ReadDword(&image[pos]);
        const DWORD headerSize = ReadDword(&image[pos + 4]);
        if (headerSize < kSizesBytes + 4 + 4 + kTailBytes || headerSize > remaining ||
            dataSize > remaining - headerSize)
            return std::nullopt;
        const size_t headerEnd = pos + headerSize;

        ResourceEntry entry;
        size_t field = ReadIdField(image, pos + kSizesBytes, headerEnd, entry.type);
        if (field == 0) return std::nullopt;
        field = ReadIdField(image, field, headerEnd, entry.name);
        if (field == 0) return std::nullopt;
        field = AlignDword(field);
        if (field > headerEnd || headerEnd - field < kTailBytes) return std::nullopt;
        entry.dataVersion = ReadDword(&image[field]);
        entry.memoryFlags = ReadWord(&image[field + 4]);
        entry.language = ReadWord(&image[field + 6]);
        entry.version = ReadDword(&image[field + 8]);
        entry.characteristics = ReadDword(&image[field + 12]);
        entry.data = image.subspan(headerEnd, dataSize);

        if (first) {
            // The empty entry that marks a 32-bit .res file (16-bit ones start otherwise).
            if (dataSize != 0 || headerSize != 32 || !entry.type.isOrdinal || entry.type.ordinal != 0 ||
                !entry.name.isOrdinal || entry.name.ordinal != 0)
                return std::nullopt;
            first = false;
        } else {
            entries.push_back(std::move(entry));
        }
        // The next header starts on a DWORD boundary; the last entry may end unpadded.
        pos = std::min(image.size(), AlignDword(headerEnd + dataSize));
    }
    if (first) return std::nullopt;
    return entries;
}

const std::vector<ResourceEntry>& ModuleResourceEntries() { return CurrentTable().entries; }

std::span<const BYTE> ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
    HRSRC resource = FindResourceExW(module, type, name, language);
    if (!resource) return {};
    return FromHandle(resource)->data;
}

WORD ResourceLanguage(HRSRC resource) { return resource ? FromHandle(resource)->language : 0; }

void RegisterModule(std::wstring name, std::span<const BYTE> resourceImage) {
    ModuleState& state = State();
    std::lock_guard lock(state.mutex);
    state.name = std::move(name);
    state.image = resourceImage;
    state.tables.push_back(BuildTable(resourceImage));
}

const std::wstring& ModuleName() { return State().name; }

void SetModuleResourceImageForTesting(const std::span<const BYTE>* image) {
    ModuleState& state = State();
    std::lock_guard lock(state.mutex);
    state.tables.push_back(BuildTable(image ? *image : state.image));
}

}  // namespace kernel32

using namespace kernel32;

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
    if (moduleName == nullptr) return kProgramModule;
    const std::wstring& name = ModuleName();
    if (name.empty()) return nullptr;
    return EqualsIgnoringCase(name, moduleName) || EqualsIgnoringCase(name + L".exe", moduleName) ? kProgramModule
                                                                                                  : nullptr;
}

HRSRC FindResourceExW(HMODULE, LPCWSTR type, LPCWSTR name, WORD language) {
    if (type == nullptr || name == nullptr) return nullptr;
    const std::optional<WantedId> wantedType = ToWanted(type);
    const std::optional<WantedId> wantedName = ToWanted(name);
    if (!wantedType || !wantedName) return nullptr;
    const ModuleTable& table = CurrentTable();
    const ResourceEntry* found = nullptr;
    if ((language & 0x3FF) == LANG_NEUTRAL) {
        found = Find(table, *wantedType, *wantedName, 0, true);
    } else {
        found = Find(table, *wantedType, *wantedName, language, false);
        if (!found && (language >> 10) != SUBLANG_NEUTRAL)
            found = Find(table, *wantedType, *wantedName, language & 0x3FF, false);
    }
    return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(found));
}

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    return FindResourceExW(module, type, name, LANG_NEUTRAL);
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    if (!resource) return nullptr;
    // Resources are read-only; the handle is only a way of carrying the pointer.
    return reinterpret_cast<HGLOBAL>(const_cast<BYTE*>(FromHandle(resource)->data.data()));
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
    return resource ? static_cast<DWORD>(FromHandle(resource)->data.size()) : 0;
}
