// Hand-made JPEG byte streams with the marker layouts that trip up naive end-of-image searches.
#pragma once

#include <cstdint>
#include <vector>

namespace media::testing {

// SOI, an APP1 segment holding a thumbnail with its own SOI/EOI, a DQT, a frame header, an SOS
// whose scan has stuffed bytes, fill bytes and restart markers, then EOI. `tag` varies the scan
// bytes.
inline std::vector<uint8_t> markerRichJpeg(uint8_t tag = 0x11)
{
    return {
        0xFF, 0xD8,                                            // SOI
        0xFF, 0xE1, 0x00, 0x08, 0xFF, 0xD8, 0x01, 0xFF, 0xD9, 0x00,  // APP1 with a thumbnail
        0xFF, 0xDB, 0x00, 0x04, 0x00, 0x01,                    // DQT (shortened)
        0xFF, 0xC0, 0x00, 0x08, 0x08, 0x00, 0x10, 0x00, 0x10, 0x00,  // SOF0, 16x16, no components
        0xFF, 0xDA, 0x00, 0x04, 0x01, 0x00,                    // SOS header
        tag,  0xFF, 0x00, 0x22, 0xFF, 0xD0, 0x33, 0xFF, 0xFF, 0xD1, tag,  // scan
        0xFF, 0xD9,                                            // EOI
    };
}

}  // namespace media::testing
