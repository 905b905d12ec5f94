#include "media/testscene/frame_stamp.h"

#include <algorithm>

namespace media {
namespace {

constexpr int kFirstNumberBlock = 2;
constexpr int kCheckBits = 4;

// Where the blocks are: the row spans the full width and the bottom twelfth of the picture,
// in proportion to its size, so that a scaled picture finds them in the same place.
struct StampGeometry {
    int width;
    int top;

    StampGeometry(int w, int h) : width(w), top(h - std::max(2, h / 12)) {}
    int blockLeft(int block) const { return block * width / kFrameStampBlocks; }
};

// XOR of the number's nibbles: any single flipped block changes it.
uint32_t CheckOf(uint32_t bits) {
    uint32_t check = 0;
    for (int shift = 0; shift < kFrameStampNumberBits; shift += kCheckBits) check ^= bits >> shift;
    return check & ((1u << kCheckBits) - 1);
}

// The blocks from left to right, true = white.
void StampBlocks(uint64_t number, bool blocks[kFrameStampBlocks]) {
    const uint32_t bits = static_cast<uint32_t>(number % kFrameStampModulus);
    const uint32_t check = CheckOf(bits);
    blocks[0] = false;
    blocks[1] = true;
    for (int i = 0; i < kFrameStampNumberBits; ++i) {
        blocks[kFirstNumberBlock + i] = (bits >> (kFrameStampNumberBits - 1 - i)) & 1;
    }
    for (int i = 0; i < kCheckBits; ++i) {
        blocks[kFirstNumberBlock + kFrameStampNumberBits + i] = (check >> (kCheckBits - 1 - i)) & 1;
    }
}

// Mean brightness of the middle half of a block, away from the edges JPEG blurs.
int BlockLevel(const Frame& rgb, const StampGeometry& g, int block) {
    const int left = g.blockLeft(block);
    const int blockWidth = g.blockLeft(block + 1) - left;
    const int bandHeight = rgb.height - g.top;
    const int x0 = left + blockWidth / 4;
    const int x1 = std::max(x0 + 1, left + 3 * blockWidth / 4);
    const int y0 = g.top + bandHeight / 4;
    const int y1 = std::max(y0 + 1, g.top + 3 * bandHeight / 4);
    long sum = 0;
    long count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const uint8_t* p = rgb.data.data() + (size_t(y) * size_t(rgb.width) + size_t(x)) * 3;
            sum += p[0] + p[1] + p[2];
            count += 3;
        }
    }
    return static_cast<int>(sum / count);
}

}  // namespace

void DrawFrameStamp(uint8_t* rgb, int width, int height, uint64_t number) {
    const StampGeometry g(width, height);
    bool blocks[kFrameStampBlocks];
    StampBlocks(number, blocks);
    for (int y = g.top; y < height; ++y) {
        uint8_t* row = rgb + size_t(y) * size_t(width) * 3;
        for (int b = 0; b < kFrameStampBlocks; ++b) {
            std::fill(row + size_t(g.blockLeft(b)) * 3, row + size_t(g.blockLeft(b + 1)) * 3,
                      uint8_t(blocks[b] ? 255 : 0));
        }
    }
}

std::optional<uint64_t> ReadFrameStamp(const Frame& rgb) {
    if (rgb.format != PixelFormat::Rgb24 || rgb.width < 2 * kFrameStampBlocks || rgb.height < 12 ||
        rgb.data.size() != size_t(rgb.width) * size_t(rgb.height) * 3) {
        return std::nullopt;
    }
    const StampGeometry g(rgb.width, rgb.height);
    const int black = BlockLevel(rgb, g, 0);
    const int white = BlockLevel(rgb, g, 1);
    if (white - black < 96) return std::nullopt;
    const int threshold = (black + white) / 2;

    bool blocks[kFrameStampBlocks];
    for (int b = 0; b < kFrameStampBlocks; ++b) blocks[b] = BlockLevel(rgb, g, b) > threshold;
    uint32_t bits = 0;
    for (int i = 0; i < kFrameStampNumberBits; ++i) bits = (bits << 1) | blocks[kFirstNumberBlock + i];
    uint32_t check = 0;
    for (int i = 0; i < kCheckBits; ++i) {
        check = (check << 1) | blocks[kFirstNumberBlock + kFrameStampNumberBits + i];
    }
    if (check != CheckOf(bits)) return std::nullopt;
    return bits;
}

}  // namespace media
