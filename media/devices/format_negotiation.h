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
    uint32_t bytesPerLine = 0;  // of the device's rows; may exceed the packed row we deliver
    std::vector<FrameSize> offeredSizes;  // of this fourcc, smallest first
};

// With `converted` false, asks for the best format the device delivers itself and fails with
// Unsupported if it has none we take natively; with it true (descriptor opened for software
// conversion), asks for RGB24. Asks for `wantedSize` when given, else for the size our policy
// picks among those listed; either way the driver's answer is what `out` holds.
Error negotiateFormat(V4l2Io& io, int fd, bool converted, const std::string& deviceName,
                      const std::optional<FrameSize>& wantedSize, NegotiatedFormat& out);

}  // namespace media
