// Walking a JPEG's marker structure without decoding it: where it ends, whether it is whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "media/common/frame.h"

namespace media {

// What a walk over a complete JPEG found.
struct JpegLayout {
    size_t end = 0;                 // one past the EOI marker; drivers may pad the buffer beyond
    size_t firstScan = 0;           // offset of the first SOS marker
    bool hasHuffmanTables = false;  // a DHT segment precedes the first scan
    int width = 0;                  // from the frame header (SOF)
    int height = 0;
};

// Checks that `data` starts with one complete JPEG image: SOI, a frame header, at least one
// scan, every segment length inside the buffer and an EOI. Anything after the EOI is ignored.
// Fails with ErrorKind::BadFrame and a message naming the first problem. A byte search for FF D9
// cannot replace the walk: thumbnails in APP segments carry their own EOI, and padding may hold
// anything.
Error ParseJpeg(std::span<const uint8_t> data, JpegLayout& layout);

}  // namespace media
