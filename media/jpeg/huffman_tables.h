// Cameras stream MJPEG without Huffman tables (the decoder is expected to know the standard
// ones); a JPEG stored in a file must carry them or many players cannot decode it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "media/common/frame.h"

namespace media {

// One DHT segment (marker included) holding the four example tables of ITU T.81 Annex K.3:
// luminance and chrominance, DC and AC.
std::span<const uint8_t> StandardHuffmanTablesSegment();

// Turns a camera's JPEG into one fit for a file: checks it is complete (refusing it with
// ErrorKind::BadFrame otherwise), drops any padding after the EOI and inserts the standard
// Huffman tables before the first scan when the image has none.
Error CompleteCameraJpeg(std::span<const uint8_t> jpeg, std::vector<uint8_t>& out);

}  // namespace media
