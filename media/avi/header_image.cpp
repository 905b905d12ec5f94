#include "media/avi/header_image.h"

#include <algorithm>
#include <cstring>

#include "media/avi/riff_builder.h"

namespace media {

void HeaderImage::set(uint64_t offset, const uint8_t* value, size_t size) {
    uint8_t* at = m_bytes.data() + offset;
    if (std::memcmp(at, value, size) == 0) return;
    std::memcpy(at, value, size);
    if (m_dirtyBegin == m_dirtyEnd) {
        m_dirtyBegin = offset;
        m_dirtyEnd = offset + size;
    } else {
        m_dirtyBegin = std::min(m_dirtyBegin, offset);
        m_dirtyEnd = std::max(m_dirtyEnd, offset + size);
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
    return std::span<const uint8_t>(m_bytes).subspan(m_dirtyBegin, m_dirtyEnd - m_dirtyBegin);
}

void HeaderImage::markClean() { m_dirtyBegin = m_dirtyEnd = 0; }

void HeaderImage::markAllDirty() {
    m_dirtyBegin = 0;
    m_dirtyEnd = m_bytes.size();
}

}  // namespace media
