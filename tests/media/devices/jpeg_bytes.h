// Hand-made JPEG byte streams with the marker layouts that trip up naive end-of-image searches.
#pragma once

#include <cstdint>
#include <vector>

namespace media::testing {

// SOI, an APP1 segment holding a thumbnail with its own SOI/EOI, a DQT, a frame header, an SOS
// whose scan has stuffed bytes, fill bytes and restart markers, then EOI. `tag` varies the scan
// bytes. Its frame header claims width x height, by default the size CameraTest streams at.
inline std::vector<uint8_t> MarkerRichJpeg(uint8_t tag = 0x11, uint16_t width = 1280, uint16_t height = 720) {
    const auto hi = [](uint16_t v) { return uint8_t(v >> 8); };
    const auto lo = [](uint16_t v) { return uint8_t(v); };
    return {
        0xFF, 0xD8,                                                                             // SOI
        0xFF, 0xE1, 0x00, 0x08, 0xFF, 0xD8,       0x01,       0xFF,      0xD9,      0x00,       // APP1 with a thumbnail
        0xFF, 0xDB, 0x00, 0x04, 0x00, 0x01,                                                     // DQT (shortened)
        0xFF, 0xC0, 0x00, 0x08, 0x08, hi(height), lo(height), hi(width), lo(width), 0x00,       // SOF0
        0xFF, 0xDA, 0x00, 0x04, 0x01, 0x00,                                                     // SOS header
        tag,  0xFF, 0x00, 0x22, 0xFF, 0xD0,       0x33,       0xFF,      0xFF,      0xD1, tag,  // scan
        0xFF, 0xD9,                                                                             // EOI
    };
}

}  // namespace media::testing
