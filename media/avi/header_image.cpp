#include "media/avi/header_image.h"

#include <algorithm>
#include <cstring>

#include "media/avi/riff_builder.h"

namespace media {

void HeaderImage::set(uint64_t offset, const uint8_t* value, size_t size) {
    uint8_t* at = bytes_.data() + offset;
    if (std::memcmp(at, value, size) == 0) return;
    std::memcpy(at, value, size);
    if (dirtyBegin_ == dirtyEnd_) {
        dirtyBegin_ = offset;
        dirtyEnd_ = offset + size;
    } else {
        dirtyBegin_ = std::min(dirtyBegin_, offset);
        dirtyEnd_ = std::max(dirtyEnd_, offset + size);
    }
}

void HeaderImage::set16(uint64_t offset, uint16_t value) {
    uint8_t b[2];
    PutLe16(b, value);
    set(offset, b, sizeof b);
}

void HeaderImage::set32(uint64_t offset, uint32_t value) {
    uint8_t b[4];
    PutLe32(b, value);
    set(offset, b, sizeof b);
}

void HeaderImage::set64(uint64_t offset, uint64_t value) {
    uint8_t b[8];
    PutLe64(b, value);
    set(offset, b, sizeof b);
}

std::span<const uint8_t> HeaderImage::dirtyBytes() const {
    return std::span<const uint8_t>(bytes_).subspan(dirtyBegin_, dirtyEnd_ - dirtyBegin_);
}

void HeaderImage::markClean() { dirtyBegin_ = dirtyEnd_ = 0; }

void HeaderImage::markAllDirty() {
    dirtyBegin_ = 0;
    dirtyEnd_ = bytes_.size();
}

}  // namespace media
