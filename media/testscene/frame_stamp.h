// A machine-readable frame number drawn into test pictures: a row of big black and white
// blocks that survives JPEG compression and scaling, so tests can tell which frame a decoded
// picture is.
#pragma once

#include <cstdint>
#include <optional>

#include "media/common/frame.h"

namespace media {

// The row holds a black and a white reference block, 18 number bits (most significant first,
// white = 1) and a 4-bit check; numbers are stamped modulo kFrameStampModulus.
constexpr int kFrameStampBlocks = 24;
constexpr int kFrameStampNumberBits = 18;
constexpr uint64_t kFrameStampModulus = uint64_t(1) << kFrameStampNumberBits;

// Draws the stamp across the bottom of top-down RGB rows.
void DrawFrameStamp(uint8_t* rgb, int width, int height, uint64_t number);

// Reads the stamp from an Rgb24 picture of any size the stamp was drawn at or scaled to.
// Nothing when the row is missing or its check fails.
std::optional<uint64_t> ReadFrameStamp(const Frame& rgb);

}  // namespace media
