// Little-endian RIFF structures built in memory: chunks opened and closed in pairs, fields
// written in order, the file offsets of fields kept so they can be patched later.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace media {

constexpr uint32_t FourCC(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}

void PutLe16(uint8_t* p, uint16_t v);
void PutLe32(uint8_t* p, uint32_t v);
void PutLe64(uint8_t* p, uint64_t v);
uint16_t GetLe16(const uint8_t* p);
uint32_t GetLe32(const uint8_t* p);
uint64_t GetLe64(const uint8_t* p);

class RiffBuilder {
public:
    // `base` is the file offset the built bytes will be written at: returned offsets are file
    // offsets.
    explicit RiffBuilder(uint64_t base = 0) : m_base(base) {}

    // Opens a chunk; its size is filled in by the matching endChunk(). Returns the file offset
    // of the chunk header.
    uint64_t beginChunk(uint32_t id);
    // Opens a RIFF or LIST container of the given type.
    uint64_t beginList(uint32_t container, uint32_t type);
    // Closes the innermost open chunk: fills in its size and pads it to an even length.
    void endChunk();
    // File offset of the innermost open chunk's size field, for fields patched later.
    uint64_t openChunkSizeField() const;

    // Each returns the file offset of the field it wrote.
    uint64_t u8(uint8_t v);
    uint64_t u16(uint16_t v);
    uint64_t u32(uint32_t v);
    uint64_t u64(uint64_t v);
    uint64_t zeros(size_t count);

    uint64_t offset() const { return m_base + m_bytes.size(); }
    const std::vector<uint8_t>& bytes() const { return m_bytes; }

private:
    uint64_t m_base;
    std::vector<uint8_t> m_bytes;
    std::vector<size_t> m_open;  // positions of open chunks' size fields
};

}  // namespace media
