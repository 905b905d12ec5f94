// Reads AVI files: the ones this engine writes (through every RIFF part) and ordinary ones
// with one video stream. For tests, which check what players will see, and for tools.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "media/common/frame.h"

namespace media {

struct AviHeaders {
    // avih
    uint32_t microSecPerFrame = 0;
    uint32_t maxBytesPerSec = 0;
    uint32_t flags = 0;
    uint32_t totalFrames = 0;  // of the first RIFF part only, in OpenDML files
    uint32_t streams = 0;
    uint32_t suggestedBufferSize = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    // strh of the first stream
    uint32_t fccType = 0;
    uint32_t fccHandler = 0;
    uint32_t scale = 0;
    uint32_t rate = 0;
    uint32_t length = 0;
    uint32_t streamSuggestedBufferSize = 0;
    // strf (BITMAPINFOHEADER) of the first stream
    int32_t bitmapWidth = 0;
    int32_t bitmapHeight = 0;  // positive: rows bottom-up; negative: top-down
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    // OpenDML
    bool hasDmlh = false;
    uint32_t grandFrames = 0;
    uint32_t superIndexEntries = 0;
    uint64_t superIndexDuration = 0;  // the frames its entries say their standard indexes hold
};

// Where a chunk's data is.
struct AviChunkRef {
    uint64_t offset = 0;
    uint32_t size = 0;

    bool operator==(const AviChunkRef&) const = default;
};

// Every allocation is bounded by the file's size, whatever its headers and indexes claim: the
// reader may be given any file.
class AviReader {
public:
    AviReader() = default;
    ~AviReader();
    AviReader(const AviReader&) = delete;
    AviReader& operator=(const AviReader&) = delete;

    // Reads the headers and finds the frames; a reader opens one file. Fails with Io when the
    // file cannot be read and BadFrame when it is not an AVI with a video stream.
    Error open(const std::string& path);

    const AviHeaders& headers() const { return m_headers; }
    // RIFF parts found: 'AVI ' and the 'AVIX' ones after it.
    int riffParts() const { return m_riffParts; }

    // The first stream's frames in order, from the OpenDML index if the file has one, else
    // from idx1, else from walking the chunks.
    const std::vector<AviChunkRef>& frames() const { return m_frames; }
    // Each source alone, to compare them: nothing when the file has no such index.
    const std::optional<std::vector<AviChunkRef>>& openDmlIndexFrames() const { return m_odml; }
    const std::optional<std::vector<AviChunkRef>>& idx1Frames() const { return m_idx1; }
    // Walks every chunk after the first movi list's start, whatever the RIFF and list sizes
    // say: what a player without index sees, and how a damaged file is recovered.
    const std::vector<AviChunkRef>& scannedFrames() const { return m_scanned; }

    Error readChunk(const AviChunkRef& chunk, std::vector<uint8_t>& data) const;
    // Frame `index` of frames() as Rgb24: MJPEG and 24-bit uncompressed frames.
    Error decodeFrame(size_t index, Frame& rgb) const;

private:
    bool readAt(uint64_t offset, void* buffer, size_t size) const;
    Error readHeaderList(uint64_t begin, uint64_t end, int depth);
    void readStreamList(uint64_t begin, uint64_t end);
    void readSuperIndex(uint64_t begin, uint32_t size);
    void readIdx1(uint64_t begin, uint32_t size);
    void scan();

    int m_fd = -1;
    std::string m_path;
    uint64_t m_fileSize = 0;
    uint64_t m_moviList = 0;  // the first movi list, 0 if none
    uint64_t m_moviEnd = 0;
    uint32_t m_chunkId = 0;  // '00dc' or '00db'
    int m_riffParts = 0;
    AviHeaders m_headers;
    std::vector<AviChunkRef> m_frames;
    std::vector<AviChunkRef> m_scanned;
    std::optional<std::vector<AviChunkRef>> m_odml;
    std::optional<std::vector<AviChunkRef>> m_idx1;
};

}  // namespace media
