#include "media/avi/avi_reader.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "media/avi/riff_builder.h"
#include "media/jpeg/jpeg_decoder.h"
#include "media/jpeg/pixel_convert.h"

namespace media {
namespace {

constexpr uint64_t kChunkHeader = 8;
// Real files nest hdrl > strl or hdrl > odml; deeper nesting is hostile and would exhaust the
// stack.
constexpr int kMaxListDepth = 8;
// A standard index entry takes this many bytes of the file, so a file holds at most its size
// over this many entries: more means indexes listed twice, not frames.
constexpr uint64_t kStandardIndexEntrySize = 8;

uint64_t Padded(uint32_t size) { return uint64_t(size) + (size & 1); }

bool IsFrameChunkOfStream0(uint32_t id) {
    const uint8_t c = uint8_t(id >> 16);
    return (id & 0xFFFF) == ('0' | '0' << 8) && (c == 'd') && (uint8_t(id >> 24) == 'c' || uint8_t(id >> 24) == 'b');
}

}  // namespace

AviReader::~AviReader() {
    if (m_fd >= 0) ::close(m_fd);
}

bool AviReader::readAt(uint64_t offset, void* buffer, size_t size) const {
    if (offset > m_fileSize || size > m_fileSize - offset) return false;
    return pread(m_fd, buffer, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

Error AviReader::open(const std::string& path) {
    if (m_fd >= 0) return {ErrorKind::Io, "This reader has already opened " + m_path};
    m_path = path;
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) return {ErrorKind::Io, "Cannot open " + path + ": " + strerror(errno)};
    struct stat st {};
    if (fstat(m_fd, &st) != 0) return {ErrorKind::Io, "Cannot read " + path};
    m_fileSize = static_cast<uint64_t>(st.st_size);

    uint8_t riff[12];
    if (!readAt(0, riff, sizeof riff) || GetLe32(riff) != FourCC("RIFF") || GetLe32(riff + 8) != FourCC("AVI ")) {
        return {ErrorKind::BadFrame, path + " is not an AVI file"};
    }
    const uint64_t riffEnd = std::min<uint64_t>(m_fileSize, kChunkHeader + GetLe32(riff + 4));
    if (Error e = readHeaderList(12, riffEnd, 0)) return e;
    if (!m_moviList) return {ErrorKind::BadFrame, path + " has no movi list"};

    // Count the RIFF parts by their sizes, as players do.
    uint64_t pos = 0;
    for (uint8_t h[12]; readAt(pos, h, sizeof h) && GetLe32(h) == FourCC("RIFF");) {
        ++m_riffParts;
        pos += kChunkHeader + Padded(GetLe32(h + 4));
    }
    scan();
    m_frames = m_odml ? *m_odml : m_idx1 ? *m_idx1 : m_scanned;
    return Error::none();
}

Error AviReader::readHeaderList(uint64_t begin, uint64_t end, int depth) {
    if (depth > kMaxListDepth) return {ErrorKind::BadFrame, m_path + " nests its lists too deeply"};
    for (uint64_t pos = begin; pos + kChunkHeader <= end;) {
        uint8_t h[12] = {};
        if (!readAt(pos, h, sizeof h)) break;
        const uint32_t id = GetLe32(h);
        const uint32_t size = GetLe32(h + 4);
        const uint32_t type = GetLe32(h + 8);
        if (id == FourCC("LIST") && type == FourCC("movi")) {
            m_moviList = pos;
            // A size of 0 is what a writer that never finished leaves.
            m_moviEnd = size ? std::min(m_fileSize, pos + kChunkHeader + Padded(size)) : m_fileSize;
            uint8_t idx[8];
            if (readAt(m_moviEnd, idx, sizeof idx) && GetLe32(idx) == FourCC("idx1")) {
                readIdx1(m_moviEnd + kChunkHeader, GetLe32(idx + 4));
            }
            break;
        }
        const uint64_t listEnd = std::min(end, pos + kChunkHeader + Padded(size));
        if (id == FourCC("LIST") && (type == FourCC("hdrl") || type == FourCC("odml"))) {
            if (Error e = readHeaderList(pos + 12, listEnd, depth + 1)) return e;
        } else if (id == FourCC("LIST") && type == FourCC("strl")) {
            if (m_headers.fccType == 0) readStreamList(pos + 12, listEnd);
        } else if (id == FourCC("avih")) {
            uint8_t a[40] = {};
            readAt(pos + kChunkHeader, a, sizeof a);
            m_headers.microSecPerFrame = GetLe32(a);
            m_headers.maxBytesPerSec = GetLe32(a + 4);
            m_headers.flags = GetLe32(a + 12);
            m_headers.totalFrames = GetLe32(a + 16);
            m_headers.streams = GetLe32(a + 24);
            m_headers.suggestedBufferSize = GetLe32(a + 28);
            m_headers.width = GetLe32(a + 32);
            m_headers.height = GetLe32(a + 36);
        } else if (id == FourCC("dmlh")) {
            uint8_t d[4] = {};
            readAt(pos + kChunkHeader, d, sizeof d);
            m_headers.hasDmlh = true;
            m_headers.grandFrames = GetLe32(d);
        }
        pos += kChunkHeader + Padded(size);
        if (id == FourCC("LIST") && size < 4) break;
    }
    if (m_headers.fccType != FourCC("vids") && m_moviList) {
        return {ErrorKind::BadFrame, m_path + " has no video stream first"};
    }
    return Error::none();
}

void AviReader::readStreamList(uint64_t begin, uint64_t end) {
    for (uint64_t pos = begin; pos + kChunkHeader <= end;) {
        uint8_t h[8];
        if (!readAt(pos, h, sizeof h)) return;
        const uint32_t id = GetLe32(h);
        const uint32_t size = GetLe32(h + 4);
        if (id == FourCC("strh")) {
            uint8_t s[40] = {};
            readAt(pos + kChunkHeader, s, sizeof s);
            m_headers.fccType = GetLe32(s);
            m_headers.fccHandler = GetLe32(s + 4);
            m_headers.scale = GetLe32(s + 20);
            m_headers.rate = GetLe32(s + 24);
            m_headers.length = GetLe32(s + 32);
            m_headers.streamSuggestedBufferSize = GetLe32(s + 36);
        } else if (id == FourCC("strf")) {
            uint8_t b[24] = {};
            readAt(pos + kChunkHeader, b, sizeof b);
            m_headers.bitmapWidth = static_cast<int32_t>(GetLe32(b + 4));
            m_headers.bitmapHeight = static_cast<int32_t>(GetLe32(b + 8));
            m_headers.bitCount = GetLe16(b + 14);
            m_headers.compression = GetLe32(b + 16);
            m_headers.sizeImage = GetLe32(b + 20);
        } else if (id == FourCC("indx")) {
            readSuperIndex(pos + kChunkHeader, size);
        }
        pos += kChunkHeader + Padded(size);
    }
}

// A super index lists standard indexes; each lists chunks by their offset from a base.
void AviReader::readSuperIndex(uint64_t begin, uint32_t size) {
    uint8_t h[24];
    if (size < sizeof h || !readAt(begin, h, sizeof h)) return;
    const uint16_t longsPerEntry = GetLe16(h);
    const uint8_t indexType = h[3];
    const uint32_t entries = GetLe32(h + 4);
    m_chunkId = GetLe32(h + 8);
    if (longsPerEntry != 4 || indexType != 0 || entries > (size - sizeof h) / 16) return;
    m_headers.superIndexEntries = entries;

    std::vector<AviChunkRef> frames;
    const uint64_t entriesTheFileHolds = m_fileSize / kStandardIndexEntrySize;
    for (uint32_t i = 0; i < entries; ++i) {
        uint8_t e[16];
        if (!readAt(begin + sizeof h + uint64_t(i) * 16, e, sizeof e)) return;
        const uint64_t blockOffset = GetLe64(e);
        m_headers.superIndexDuration += GetLe32(e + 12);
        uint8_t b[32];
        if (!readAt(blockOffset, b, sizeof b) || GetLe16(b + 8) != 2 || b[11] != 1) return;
        const uint32_t used = GetLe32(b + 12);
        const uint64_t base = GetLe64(b + 20);
        if (used > entriesTheFileHolds - frames.size()) return;
        std::vector<uint8_t> raw(size_t(used) * kStandardIndexEntrySize);
        if (!readAt(blockOffset + sizeof b, raw.data(), raw.size())) return;
        for (uint32_t k = 0; k < used; ++k) {
            const uint64_t data = base + GetLe32(raw.data() + k * 8);
            const uint32_t length = GetLe32(raw.data() + k * 8 + 4) & 0x7FFFFFFF;
            frames.push_back({data, length});
        }
    }
    m_odml = std::move(frames);
}

void AviReader::readIdx1(uint64_t begin, uint32_t size) {
    if (begin > m_fileSize || size > m_fileSize - begin) return;  // damaged: walk the chunks
    std::vector<uint8_t> raw(size / 16 * 16);
    if (!readAt(begin, raw.data(), raw.size())) return;
    // Offsets are relative to the movi list type in most files and absolute in some: the first
    // entry tells which.
    int64_t shift = -1;
    std::vector<AviChunkRef> frames;
    for (size_t i = 0; i + 16 <= raw.size(); i += 16) {
        const uint32_t id = GetLe32(raw.data() + i);
        if (!IsFrameChunkOfStream0(id)) continue;
        const uint64_t offset = GetLe32(raw.data() + i + 8);
        const uint32_t length = GetLe32(raw.data() + i + 12);
        if (shift < 0) {
            uint8_t h[4] = {};
            readAt(m_moviList + kChunkHeader + offset, h, sizeof h);
            shift = GetLe32(h) == id ? int64_t(m_moviList + kChunkHeader) : 0;
        }
        frames.push_back({uint64_t(shift) + offset + kChunkHeader, length});
    }
    m_idx1 = std::move(frames);
}

void AviReader::scan() {
    for (uint64_t pos = m_moviList + 12; pos + kChunkHeader <= m_fileSize;) {
        uint8_t h[12] = {};
        readAt(pos, h, std::min<uint64_t>(sizeof h, m_fileSize - pos));
        const uint32_t id = GetLe32(h);
        const uint32_t size = GetLe32(h + 4);
        const uint32_t type = GetLe32(h + 8);
        if (id == FourCC("RIFF") || (id == FourCC("LIST") && (type == FourCC("movi") || type == FourCC("rec ")))) {
            pos += 12;  // step into the container, ignoring its size
            continue;
        }
        if (size > m_fileSize - pos - kChunkHeader) break;  // cut short: the file ends here
        if (IsFrameChunkOfStream0(id)) m_scanned.push_back({pos + kChunkHeader, size});
        pos += kChunkHeader + Padded(size);
    }
}

Error AviReader::readChunk(const AviChunkRef& chunk, std::vector<uint8_t>& data) const {
    const Error cannot{ErrorKind::Io, "Cannot read a frame of " + m_path + " at byte " + std::to_string(chunk.offset)};
    // The index may claim any size: only what the file holds is worth room.
    if (chunk.offset > m_fileSize || chunk.size > m_fileSize - chunk.offset) return cannot;
    data.resize(chunk.size);
    if (!readAt(chunk.offset, data.data(), data.size())) return cannot;
    return Error::none();
}

Error AviReader::decodeFrame(size_t index, Frame& rgb) const {
    if (index >= m_frames.size()) return {ErrorKind::BadFrame, "No such frame"};
    std::vector<uint8_t> data;
    if (Error e = readChunk(m_frames[index], data)) return e;
    rgb.sequence = index;
    if (m_headers.compression == FourCC("MJPG")) return DecodeJpegToRgb(data, rgb);

    const int width = m_headers.bitmapWidth;
    const bool bottomUp = m_headers.bitmapHeight > 0;
    // In 64 bits: the most negative height has no positive counterpart in 32.
    const int64_t rows = bottomUp ? m_headers.bitmapHeight : -int64_t(m_headers.bitmapHeight);
    if (m_headers.compression != 0 || m_headers.bitCount != 24 || width <= 0 || rows <= 0 || rows > INT32_MAX ||
        data.size() / DibRowStride(width) < uint64_t(rows)) {
        return {ErrorKind::Unsupported, "Only MJPEG and 24-bit uncompressed frames can be decoded"};
    }
    rgb.format = PixelFormat::Rgb24;
    const int height = static_cast<int>(rows);
    rgb.width = width;
    rgb.height = height;
    rgb.data.resize(size_t(width) * size_t(height) * 3);
    DibToRgb24(data.data(), width, height, rgb.data.data(), bottomUp);
    return Error::none();
}

}  // namespace media
