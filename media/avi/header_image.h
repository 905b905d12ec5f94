// A copy in memory of a region at the start of a file whose fields change often: fields are set
// here and only the span that changed is written back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace media {

class HeaderImage {
public:
    HeaderImage() = default;
    explicit HeaderImage(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}

    void set16(uint64_t offset, uint16_t value);
    void set32(uint64_t offset, uint32_t value);
    void set64(uint64_t offset, uint64_t value);

    // The bytes changed since the last markClean(), from the first to the last change.
    uint64_t dirtyOffset() const { return m_dirtyBegin; }
    std::span<const uint8_t> dirtyBytes() const;
    void markClean();
    // After a failed write the file may hold anything in this region: write all of it again.
    void markAllDirty();

    const std::vector<uint8_t>& bytes() const { return m_bytes; }

private:
    void set(uint64_t offset, const uint8_t* value, size_t size);

    std::vector<uint8_t> m_bytes;
    uint64_t m_dirtyBegin = 0;
    uint64_t m_dirtyEnd = 0;
};

}  // namespace media
