#include "media/jpeg/jpeg_markers.h"

#include <cstring>
#include <string>

namespace media {
namespace {

constexpr uint8_t kSoi = 0xD8;
constexpr uint8_t kEoi = 0xD9;
constexpr uint8_t kSos = 0xDA;
constexpr uint8_t kDht = 0xC4;
constexpr uint8_t kTem = 0x01;

bool IsRestart(uint8_t marker) { return marker >= 0xD0 && marker <= 0xD7; }

// C0..CF are frame headers except DHT (C4), JPG (C8) and DAC (CC), which share the range.
bool IsFrameHeader(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != kDht && marker != 0xC8 && marker != 0xCC;
}

Error Bad(const std::string& what, size_t offset) {
    return {ErrorKind::BadFrame, "Not a complete JPEG image: " + what + " at byte " + std::to_string(offset)};
}

// Skips entropy-coded data from `pos` to the next marker that is neither a stuffed FF 00 nor a
// restart marker. Returns the marker's offset, or `size` when the data runs out first.
size_t SkipEntropyData(const uint8_t* d, size_t size, size_t pos) {
    while (pos < size) {
        const void* ff = std::memchr(d + pos, 0xFF, size - pos);
        if (!ff) return size;
        pos = static_cast<const uint8_t*>(ff) - d;
        if (pos + 1 >= size) return size;
        const uint8_t next = d[pos + 1];
        if (next == 0x00 || IsRestart(next)) {
            pos += 2;
        } else if (next == 0xFF) {
            pos += 1;  // fill byte before a marker
        } else {
            return pos;
        }
    }
    return size;
}

}  // namespace

Error ParseJpeg(std::span<const uint8_t> data, JpegLayout& layout) {
    const uint8_t* d = data.data();
    const size_t size = data.size();
    layout = {};
    if (size < 4 || d[0] != 0xFF || d[1] != kSoi) return Bad("no SOI marker", 0);

    bool sawFrameHeader = false;
    bool sawScan = false;
    size_t pos = 2;
    for (;;) {
        if (pos >= size) return Bad("data ends before the EOI marker", pos);
        if (d[pos] != 0xFF) return Bad("expected a marker", pos);
        const size_t markerStart = pos;
        while (pos < size && d[pos] == 0xFF) ++pos;
        if (pos >= size) return Bad("data ends inside a marker", markerStart);
        const uint8_t marker = d[pos++];

        if (marker == kEoi) {
            if (!sawScan) return Bad("EOI before any scan", markerStart);
            layout.end = pos;
            return Error::none();
        }
        if (marker == kSoi) return Bad("second SOI marker", markerStart);
        if (IsRestart(marker) || marker == kTem) continue;  // markers without a length

        if (pos + 2 > size) return Bad("data ends inside a segment length", pos);
        const size_t length = (size_t(d[pos]) << 8) | d[pos + 1];
        if (length < 2) return Bad("segment length below 2", pos);
        if (pos + length > size) return Bad("segment runs past the end of the data", markerStart);

        if (IsFrameHeader(marker)) {
            if (length < 8) return Bad("frame header too short", markerStart);
            layout.height = (d[pos + 3] << 8) | d[pos + 4];
            layout.width = (d[pos + 5] << 8) | d[pos + 6];
            if (layout.width == 0) return Bad("frame header with zero width", markerStart);
            sawFrameHeader = true;
        } else if (marker == kDht && !sawScan) {
            layout.hasHuffmanTables = true;
        } else if (marker == kSos) {
            if (!sawFrameHeader) return Bad("scan before the frame header", markerStart);
            if (!sawScan) layout.firstScan = markerStart;
            sawScan = true;
            pos = SkipEntropyData(d, size, pos + length);
            continue;
        }
        pos += length;
    }
}

}  // namespace media
