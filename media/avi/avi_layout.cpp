#include "media/avi/avi_layout.h"

namespace media {
namespace {

constexpr uint32_t kBitmapInfoHeaderSize = 40;
constexpr uint32_t kDmlhSize = 248;
constexpr uint8_t kIndexOfIndexes = 0;
constexpr uint8_t kIndexOfChunks = 1;

}  // namespace

uint32_t FrameChunkId(AviVideoCodec codec) { return codec == AviVideoCodec::Mjpeg ? FourCC("00dc") : FourCC("00db"); }

std::vector<uint8_t> BuildAviHeader(AviVideoCodec codec, uint32_t superIndexCapacity, AviHeaderLayout& l) {
    const bool mjpeg = codec == AviVideoCodec::Mjpeg;
    RiffBuilder b;
    b.beginList(FourCC("RIFF"), FourCC("AVI "));
    l.riffSize = b.openChunkSizeField();
    b.beginList(FourCC("LIST"), FourCC("hdrl"));

    b.beginChunk(FourCC("avih"));
    l.microSecPerFrame = b.u32(0);  // dwMicroSecPerFrame: of the newest frame
    l.maxBytesPerSec = b.u32(0);    // dwMaxBytesPerSec
    b.u32(0);                       // dwPaddingGranularity
    l.flags = b.u32(0);             // dwFlags: HASINDEX once idx1 is written
    l.firstPartFrames = b.u32(0);   // dwTotalFrames
    b.u32(0);                       // dwInitialFrames
    b.u32(1);                       // dwStreams
    l.mainBufferSize = b.u32(0);    // dwSuggestedBufferSize: the largest chunk
    l.mainWidth = b.u32(0);         // dwWidth
    l.mainHeight = b.u32(0);        // dwHeight
    b.zeros(16);                    // dwReserved[4]
    b.endChunk();

    b.beginList(FourCC("LIST"), FourCC("strl"));
    b.beginChunk(FourCC("strh"));
    b.u32(FourCC("vids"));                           // fccType
    b.u32(mjpeg ? FourCC("MJPG") : FourCC("DIB "));  // fccHandler
    b.u32(0);                                        // dwFlags
    b.u16(0);                                        // wPriority
    b.u16(0);                                        // wLanguage
    b.u32(0);                                        // dwInitialFrames
    l.scale = b.u32(1);                              // dwScale: seconds per frame is scale/rate
    l.rate = b.u32(1);                               // dwRate
    b.u32(0);                                        // dwStart
    l.length = b.u32(0);                             // dwLength: frames
    l.streamBufferSize = b.u32(0);                   // dwSuggestedBufferSize
    b.u32(0xFFFFFFFF);                               // dwQuality: the codec's default
    b.u32(0);                                        // dwSampleSize: frames vary in size
    b.u16(0);                                        // rcFrame.left
    b.u16(0);                                        // rcFrame.top
    l.frameRight = b.u16(0);                         // rcFrame.right
    l.frameBottom = b.u16(0);                        // rcFrame.bottom
    b.endChunk();

    b.beginChunk(FourCC("strf"));
    b.u32(kBitmapInfoHeaderSize);       // biSize
    l.bitmapWidth = b.u32(0);           // biWidth
    l.bitmapHeight = b.u32(0);          // biHeight: positive, rows bottom-up
    b.u16(1);                           // biPlanes
    b.u16(24);                          // biBitCount
    b.u32(mjpeg ? FourCC("MJPG") : 0);  // biCompression: BI_RGB for DIBs
    l.bitmapImageSize = b.u32(0);       // biSizeImage
    b.u32(0);                           // biXPelsPerMeter
    b.u32(0);                           // biYPelsPerMeter
    b.u32(0);                           // biClrUsed
    b.u32(0);                           // biClrImportant
    b.endChunk();

    b.beginChunk(FourCC("indx"));
    b.u16(4);                             // wLongsPerEntry
    b.u8(0);                              // bIndexSubType
    b.u8(kIndexOfIndexes);                // bIndexType
    l.superIndexEntriesInUse = b.u32(0);  // nEntriesInUse
    b.u32(FrameChunkId(codec));           // dwChunkId
    b.zeros(12);                          // dwReserved[3]
    l.superIndexFirstEntry = b.zeros(size_t(superIndexCapacity) * kSuperEntrySize);
    l.superIndexCapacity = superIndexCapacity;
    b.endChunk();
    b.endChunk();  // strl

    b.beginList(FourCC("LIST"), FourCC("odml"));
    b.beginChunk(FourCC("dmlh"));
    l.grandFrames = b.u32(0);  // dwTotalFrames: every frame of every part
    b.zeros(kDmlhSize - 4);    // dwFuture[61]
    b.endChunk();
    b.endChunk();  // odml
    b.endChunk();  // hdrl

    l.moviList = b.beginList(FourCC("LIST"), FourCC("movi"));
    l.moviSize = b.openChunkSizeField();
    l.moviData = b.offset();
    // The RIFF and the movi list stay open: their sizes are patched as frames arrive.
    return b.bytes();
}

std::vector<uint8_t> BuildPartHeader() {
    RiffBuilder b;
    b.u32(FourCC("RIFF"));
    b.u32(4 + 12);  // RIFF size: 'AVIX' and an empty movi list
    b.u32(FourCC("AVIX"));
    b.u32(FourCC("LIST"));
    b.u32(4);  // movi size: just its list type
    b.u32(FourCC("movi"));
    return b.bytes();
}

uint32_t IndexBlockSize(uint32_t capacity) { return kIndexBlockHeaderSize + capacity * kIndexBlockEntrySize; }

std::vector<uint8_t> BuildIndexBlock(AviVideoCodec codec, uint32_t capacity, uint64_t baseOffset) {
    RiffBuilder b;
    b.beginChunk(FourCC("ix00"));
    b.u16(2);                                          // wLongsPerEntry
    b.u8(0);                                           // bIndexSubType
    b.u8(kIndexOfChunks);                              // bIndexType
    b.u32(0);                                          // nEntriesInUse
    b.u32(FrameChunkId(codec));                        // dwChunkId
    b.u64(baseOffset);                                 // qwBaseOffset
    b.u32(0);                                          // dwReserved
    b.zeros(size_t(capacity) * kIndexBlockEntrySize);  // {dwOffset, dwSize} per chunk
    b.endChunk();
    return b.bytes();
}

std::vector<uint8_t> BuildIndexBlockEntry(uint64_t chunkOffset, uint64_t baseOffset, uint32_t dataSize) {
    RiffBuilder b;
    b.u32(static_cast<uint32_t>(chunkOffset + kChunkHeaderSize - baseOffset));  // dwOffset: data
    b.u32(dataSize);  // dwSize: bit 31 clear, every frame is a key frame
    return b.bytes();
}

std::vector<uint8_t> BuildIdx1(AviVideoCodec codec, const std::vector<Idx1Entry>& chunks, uint64_t moviType) {
    RiffBuilder b;
    b.beginChunk(FourCC("idx1"));
    for (const Idx1Entry& c : chunks) {
        b.u32(FrameChunkId(codec));                              // dwChunkId
        b.u32(kIdx1KeyFrame);                                    // dwFlags
        b.u32(static_cast<uint32_t>(c.chunkOffset - moviType));  // dwOffset: of the header
        b.u32(c.dataSize);                                       // dwSize
    }
    b.endChunk();
    return b.bytes();
}

uint64_t FrameChunkSize(uint32_t dataSize) { return kChunkHeaderSize + dataSize + (dataSize & 1); }

void AppendFrameChunk(AviVideoCodec codec, std::span<const uint8_t> data, std::vector<uint8_t>& out) {
    const size_t at = out.size();
    out.resize(at + kChunkHeaderSize);
    PutLe32(out.data() + at, FrameChunkId(codec));
    PutLe32(out.data() + at + 4, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1) out.push_back(0);
}

}  // namespace media
