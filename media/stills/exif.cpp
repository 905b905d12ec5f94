#include "media/stills/exif.h"

#include <cstring>

namespace media {
namespace {

// TIFF field types.
constexpr uint16_t kAscii = 2;
constexpr uint16_t kLong = 4;

class LittleEndian {
public:
    void u16(uint16_t v) { bytes.insert(bytes.end(), {uint8_t(v), uint8_t(v >> 8)}); }
    void u32(uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    }
    std::vector<uint8_t> bytes;
};

}  // namespace

void AddExif(std::vector<uint8_t>& jpeg, const std::string& make, const std::string& model, int width, int height) {
    if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return;
    struct Entry {
        uint16_t tag;
        uint16_t type;
        std::string text;  // kAscii
        uint32_t number;   // kLong
    };
    const Entry entries[] = {
        {0x010F, kAscii, make, 0},
        {0x0110, kAscii, model, 0},
        {0xA002, kLong, "", uint32_t(width)},  // the picture's size, as EXIF readers look for it
        {0xA003, kLong, "", uint32_t(height)},
    };
    constexpr uint32_t kEntries = sizeof entries / sizeof entries[0];
    // Text longer than four bytes lives after the directory, which is found at offset 8.
    uint32_t textAt = 8 + 2 + kEntries * 12 + 4;
    LittleEndian tiff;
    tiff.bytes = {'I', 'I', 42, 0};
    tiff.u32(8);
    tiff.u16(kEntries);
    std::vector<uint8_t> texts;
    for (const Entry& e : entries) {
        tiff.u16(e.tag);
        tiff.u16(e.type);
        if (e.type == kAscii) {
            tiff.u32(uint32_t(e.text.size() + 1));
            tiff.u32(textAt + uint32_t(texts.size()));
            texts.insert(texts.end(), e.text.begin(), e.text.end());
            texts.push_back(0);
        } else {
            tiff.u32(1);
            tiff.u32(e.number);
        }
    }
    tiff.u32(0);  // no further directory
    tiff.bytes.insert(tiff.bytes.end(), texts.begin(), texts.end());

    const size_t length = 2 + 6 + tiff.bytes.size();
    std::vector<uint8_t> segment = {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length), 'E', 'x', 'i', 'f', 0, 0};
    segment.insert(segment.end(), tiff.bytes.begin(), tiff.bytes.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
}

bool HasExif(const std::vector<uint8_t>& jpeg) {
    size_t pos = 2;
    while (pos + 10 <= jpeg.size() && jpeg[pos] == 0xFF && jpeg[pos + 1] != 0xDA) {
        if (jpeg[pos + 1] == 0xE1 && std::memcmp(&jpeg[pos + 4], "Exif\0\0", 6) == 0) return true;
        pos += 2 + ((size_t(jpeg[pos + 2]) << 8) | jpeg[pos + 3]);
    }
    return false;
}

}  // namespace media
