// Files made to break a reader that believes its input, too large to keep in the corpus: each
// is built here and replayed through the reader's fuzz target.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "media/avi/riff_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace media {
namespace {

struct HostileAvi {
    uint32_t superIndexEntries = 1;  // all pointing at the one standard index
    uint32_t standardIndexEntries = 1;
    uint32_t frameSize = 4;  // what the standard index claims for each frame
    int32_t height = 240;
    int nestedHeaderLists = 0;  // LIST hdrl inside LIST hdrl, this many times over
};

// An MJPEG AVI whose OpenDML index lists the one frame chunk as `standardIndexEntries` frames.
std::vector<uint8_t> Build(const HostileAvi& h) {
    RiffBuilder b;
    b.beginList(FourCC("RIFF"), FourCC("AVI "));
    for (int i = 0; i < h.nestedHeaderLists; ++i) b.beginList(FourCC("LIST"), FourCC("hdrl"));
    b.beginList(FourCC("LIST"), FourCC("hdrl"));
    b.beginList(FourCC("LIST"), FourCC("strl"));
    b.beginChunk(FourCC("strh"));
    b.u32(FourCC("vids"));
    b.u32(FourCC("MJPG"));
    b.zeros(48);
    b.endChunk();
    b.beginChunk(FourCC("strf"));
    b.u32(40);
    b.u32(320);
    b.u32(static_cast<uint32_t>(h.height));
    b.u16(1);
    b.u16(24);
    b.u32(0);  // uncompressed, so that a decode follows the height
    b.zeros(20);
    b.endChunk();
    b.beginChunk(FourCC("indx"));
    b.u16(4);
    b.u8(0);
    b.u8(0);
    b.u32(h.superIndexEntries);
    b.u32(FourCC("00dc"));
    b.zeros(12);
    std::vector<uint64_t> entryOffsets;
    for (uint32_t i = 0; i < h.superIndexEntries; ++i) {
        entryOffsets.push_back(b.u64(0));
        b.u32(0);
        b.u32(h.standardIndexEntries);
    }
    b.endChunk();
    b.endChunk();  // strl
    b.endChunk();  // hdrl
    for (int i = 0; i < h.nestedHeaderLists; ++i) b.endChunk();
    b.beginList(FourCC("LIST"), FourCC("movi"));
    const uint64_t standardIndex = b.beginChunk(FourCC("ix00"));
    b.u16(2);
    b.u8(0);
    b.u8(1);
    b.u32(h.standardIndexEntries);
    b.u32(FourCC("00dc"));
    const uint64_t base = b.u64(0);
    b.u32(0);
    std::vector<uint64_t> frameOffsets;
    for (uint32_t i = 0; i < h.standardIndexEntries; ++i) {
        frameOffsets.push_back(b.u32(0));
        b.u32(h.frameSize);
    }
    b.endChunk();
    const uint64_t frame = b.beginChunk(FourCC("00dc")) + 8;
    b.u32(0);
    b.endChunk();
    b.endChunk();  // movi
    b.endChunk();  // RIFF

    std::vector<uint8_t> bytes = b.bytes();
    for (uint64_t at : entryOffsets) PutLe64(bytes.data() + at, standardIndex);
    PutLe64(bytes.data() + base, 0);
    for (uint64_t at : frameOffsets) PutLe32(bytes.data() + at, static_cast<uint32_t>(frame));
    return bytes;
}

TEST(HostileAviTest, ReadingStaysWithinWhatTheFileHolds) {
    const struct {
        const char* what;
        HostileAvi file;
    } cases[] = {
        {"a frame claiming 2 GiB", {.frameSize = 0x7FFFFFFF}},
        {"70,000 nested header lists", {.nestedHeaderLists = 70000}},
        {"1024 super index entries at one large standard index",
         {.superIndexEntries = 1024, .standardIndexEntries = 1 << 17}},
        {"the most negative height", {.height = INT32_MIN}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> bytes = Build(c.file);
        EXPECT_NO_THROW(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()));
    }
}

}  // namespace
}  // namespace media
