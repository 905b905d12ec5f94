#include "media/avi/riff_builder.h"

namespace media {

void PutLe16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

void PutLe64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}

uint16_t GetLe16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

uint32_t GetLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t GetLe64(const uint8_t* p) { return GetLe32(p) | uint64_t(GetLe32(p + 4)) << 32; }

uint64_t RiffBuilder::beginChunk(uint32_t id) {
    const uint64_t at = offset();
    u32(id);
    m_open.push_back(m_bytes.size());
    u32(0);
    return at;
}

uint64_t RiffBuilder::beginList(uint32_t container, uint32_t type) {
    const uint64_t at = beginChunk(container);
    u32(type);
    return at;
}

void RiffBuilder::endChunk() {
    const size_t sizeField = m_open.back();
    m_open.pop_back();
    const size_t size = m_bytes.size() - sizeField - 4;
    PutLe32(m_bytes.data() + sizeField, static_cast<uint32_t>(size));
    if (size & 1) m_bytes.push_back(0);
}

uint64_t RiffBuilder::openChunkSizeField() const { return m_base + m_open.back(); }

uint64_t RiffBuilder::u8(uint8_t v) {
    m_bytes.push_back(v);
    return offset() - 1;
}

uint64_t RiffBuilder::u16(uint16_t v) {
    m_bytes.resize(m_bytes.size() + 2);
    PutLe16(m_bytes.data() + m_bytes.size() - 2, v);
    return offset() - 2;
}

uint64_t RiffBuilder::u32(uint32_t v) {
    m_bytes.resize(m_bytes.size() + 4);
    PutLe32(m_bytes.data() + m_bytes.size() - 4, v);
    return offset() - 4;
}

uint64_t RiffBuilder::u64(uint64_t v) {
    m_bytes.resize(m_bytes.size() + 8);
    PutLe64(m_bytes.data() + m_bytes.size() - 8, v);
    return offset() - 8;
}

uint64_t RiffBuilder::zeros(size_t count) {
    m_bytes.resize(m_bytes.size() + count, 0);
    return offset() - count;
}

}  // namespace media
