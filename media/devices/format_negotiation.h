// Agreeing on a capture format with an open device: ask what it has, request our choice, then
// take whatever the driver says it set.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "media/common/frame.h"
#include "v4l2_io.h"

namespace media {

struct NegotiatedFormat {
    uint32_t fourcc = 0;
    StreamFormat stream;
    uint32_t bytesPerLine = 0;            // of the device's rows; may exceed the packed row we deliver
    std::vector<FrameSize> offeredSizes;  // of this fourcc, smallest first
    // What the descriptor offers in formats we read, preferred first, with their frame rates.
    std::vector<OfferedFormat> offeredFormats;
};

// With `converted` false, asks for the best format the device delivers itself and fails with
// Unsupported if it has none we take natively; with it true (descriptor opened for software
// conversion), asks for RGB24. A wanted format is asked for when the device delivers it itself;
// a wanted size when given, else the size our policy picks among those listed; a wanted frame
// interval, else our target rate. Either way the driver's answer is what `out` holds.
Error NegotiateFormat(V4l2Io& io, int fd, bool converted, const std::string& deviceName, const StreamRequest& wanted,
                      NegotiatedFormat& out);

}  // namespace media
