// Any bytes as a camera's JPEG: completing it for a file either refuses it or yields one whole
// JPEG with Huffman tables; a preview decode of it must not crash or over-allocate.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "media/jpeg/huffman_tables.h"
#include "media/jpeg/jpeg_decoder.h"
#include "media/jpeg/jpeg_markers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> camera(data, size);
    std::vector<uint8_t> completed;
    if (media::CompleteCameraJpeg(camera, completed)) return 0;

    media::JpegLayout layout;
    if (media::ParseJpeg(completed, layout) || !layout.hasHuffmanTables || layout.end != completed.size() ||
        completed.size() > size + media::StandardHuffmanTablesSegment().size()) {
        abort();
    }
    media::Frame preview;
    (void)media::DecodeJpegToRgb(completed, preview, 64, 48);
    return 0;
}
