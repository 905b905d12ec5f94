// Where a motion-JPEG frame really ends inside a capture buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace media {

// The length of the JPEG image at the start of `data`, up to and including its EOI marker,
// or nothing when it is not a complete JPEG image (no SOI, or cut off before its EOI).
// Some drivers report the whole buffer as used, and what follows the image can be the tail of
// an older, larger frame with an EOI of its own, so the markers are followed from the start
// rather than the last EOI taken.
std::optional<size_t> jpegLength(const uint8_t* data, size_t size);

}  // namespace media
