// The AVI structures this engine writes, as bytes: the first part's headers, the parts that
// follow (OpenDML 'AVIX'), the index chunks and the frame chunks' headers. Each builder records
// where the fields that change during a recording are, so the writer can patch them in place.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "media/avi/riff_builder.h"

namespace media {

enum class AviVideoCodec {
    Mjpeg,  // one JPEG per frame
    Dib,    // uncompressed 24-bit bottom-up BGR rows
};

// avih.dwFlags
constexpr uint32_t kAviFlagHasIndex = 0x10;
// idx1 entry flags
constexpr uint32_t kIdx1KeyFrame = 0x10;

constexpr uint32_t kChunkHeaderSize = 8;
constexpr uint32_t kPartHeaderSize = 24;        // RIFF size 'AVIX' LIST size 'movi'
constexpr uint32_t kIndexBlockHeaderSize = 32;  // 'ix00' chunk header + standard index header
constexpr uint32_t kIndexBlockEntrySize = 8;
constexpr uint32_t kIdx1EntrySize = 16;

uint32_t FrameChunkId(AviVideoCodec codec);  // '00dc' or '00db'

// Offsets (in the file) of the first part's fields that the writer keeps up to date.
struct AviHeaderLayout {
    uint64_t riffSize;
    uint64_t microSecPerFrame;  // avih
    uint64_t maxBytesPerSec;
    uint64_t flags;
    uint64_t firstPartFrames;  // avih.dwTotalFrames: frames in the first RIFF only
    uint64_t mainBufferSize;
    uint64_t mainWidth;
    uint64_t mainHeight;
    uint64_t scale;  // strh
    uint64_t rate;
    uint64_t length;  // strh.dwLength: every frame of the file
    uint64_t streamBufferSize;
    uint64_t frameRight;
    uint64_t frameBottom;
    uint64_t bitmapWidth;  // strf
    uint64_t bitmapHeight;
    uint64_t bitmapImageSize;
    uint64_t superIndexEntriesInUse;  // indx
    uint64_t superIndexFirstEntry;
    uint32_t superIndexCapacity;
    uint64_t grandFrames;  // dmlh
    uint64_t moviList;     // the first part's LIST 'movi'
    uint64_t moviSize;
    uint64_t moviData;  // just past 'movi': where the first part's content starts
};

// The first part up to and including its 'movi' list type, with a super index of
// `superIndexCapacity` entries. Counters and sizes start at zero.
std::vector<uint8_t> BuildAviHeader(AviVideoCodec codec, uint32_t superIndexCapacity, AviHeaderLayout& layout);

// A super index entry's fields, relative to the entry.
constexpr uint32_t kSuperEntrySize = 16;
constexpr uint32_t kSuperEntryOffset = 0;     // u64 file offset of the standard index chunk
constexpr uint32_t kSuperEntryChunkSize = 8;  // u32 its size including the chunk header
constexpr uint32_t kSuperEntryDuration = 12;  // u32 frames it indexes

// Start of a later part: RIFF 'AVIX' with an empty LIST 'movi'. Sizes are patched later at
// kPartRiffSize and kPartMoviSize from the part's start.
constexpr uint32_t kPartRiffSize = 4;
constexpr uint32_t kPartMoviSize = 16;
std::vector<uint8_t> BuildPartHeader();

// An OpenDML standard index ('ix00') with room for `capacity` entries and none in use. Entries
// are offsets of chunk data from `baseOffset`, so a part's chunks must lie within 4 GiB of it.
constexpr uint32_t kIndexBlockEntriesInUse = 12;  // u32, from the block's start
constexpr uint32_t kIndexBlockBaseOffset = 20;    // u64, from the block's start
std::vector<uint8_t> BuildIndexBlock(AviVideoCodec codec, uint32_t capacity, uint64_t baseOffset);
uint32_t IndexBlockSize(uint32_t capacity);

// One entry of a standard index: where the chunk's data is, from the block's base offset.
std::vector<uint8_t> BuildIndexBlockEntry(uint64_t chunkOffset, uint64_t baseOffset, uint32_t dataSize);

// The AVI 1.0 index of the first part. `chunks` are (file offset of chunk header, data size);
// entries are relative to the 'movi' list type, as most readers expect.
struct Idx1Entry {
    uint64_t chunkOffset;
    uint32_t dataSize;
};
std::vector<uint8_t> BuildIdx1(AviVideoCodec codec, const std::vector<Idx1Entry>& chunks, uint64_t moviType);

// Appends a frame chunk to `out`: header, data and the pad byte that keeps chunks at even
// offsets.
void AppendFrameChunk(AviVideoCodec codec, std::span<const uint8_t> data, std::vector<uint8_t>& out);
uint64_t FrameChunkSize(uint32_t dataSize);

}  // namespace media
