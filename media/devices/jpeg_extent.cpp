#include "jpeg_extent.h"

#include <cstring>

namespace media {
namespace {

constexpr uint8_t kMarker = 0xFF;
constexpr uint8_t kSoi = 0xD8;
constexpr uint8_t kEoi = 0xD9;
constexpr uint8_t kSos = 0xDA;
constexpr uint8_t kTem = 0x01;

bool isRestart(uint8_t code) { return code >= 0xD0 && code <= 0xD7; }

// Skips entropy-coded data from `i`: returns the position of the next real marker (not a
// stuffed 0xFF00, not a restart marker, which both belong to the scan), or `size`.
size_t endOfScan(const uint8_t* data, size_t size, size_t i)
{
    while (i < size) {
        const void* ff = std::memchr(data + i, kMarker, size - i);
        if (!ff)
            return size;
        i = static_cast<size_t>(static_cast<const uint8_t*>(ff) - data);
        if (i + 1 >= size)
            return size;
        const uint8_t code = data[i + 1];
        if (code != 0x00 && code != kMarker && !isRestart(code))
            return i;
        i += code == kMarker ? 1 : 2;  // a fill byte may be followed by the real marker
    }
    return size;
}

}  // namespace

std::optional<size_t> jpegLength(const uint8_t* data, size_t size)
{
    if (size < 4 || data[0] != kMarker || data[1] != kSoi)
        return std::nullopt;
    size_t i = 2;
    while (true) {
        while (i + 1 < size && data[i] == kMarker && data[i + 1] == kMarker)
            ++i;
        if (i + 1 >= size || data[i] != kMarker)
            return std::nullopt;
        const uint8_t code = data[i + 1];
        i += 2;
        if (code == kEoi)
            return i;
        if (isRestart(code) || code == kTem)
            continue;
        if (i + 1 >= size)
            return std::nullopt;
        const size_t length = (size_t{data[i]} << 8) | data[i + 1];
        if (length < 2)
            return std::nullopt;
        i += length;
        if (code == kSos)
            i = endOfScan(data, size, i);
    }
}

}  // namespace media
