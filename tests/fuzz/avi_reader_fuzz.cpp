// Any bytes as an AVI file: the reader must refuse or read them without crashing, looping or
// taking memory the file does not justify.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "media/avi/avi_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memfd_create("avi", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    media::AviReader reader;
    if (!reader.open("/proc/self/fd/" + std::to_string(fd))) {
        // Every frame is read, a few are decoded: enough to reach each kind of frame.
        std::vector<uint8_t> chunk;
        for (const media::AviChunkRef& frame : reader.frames()) (void)reader.readChunk(frame, chunk);
        for (size_t i = 0; i < std::min<size_t>(reader.frames().size(), 4); ++i) {
            media::Frame rgb;
            (void)reader.decodeFrame(i, rgb);
        }
    }
    close(fd);
    return 0;
}
