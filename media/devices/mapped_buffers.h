// The driver's capture buffers, mapped into our memory for streaming.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "media/common/frame.h"
#include "v4l2_io.h"

namespace media {

class MappedBuffers {
public:
    MappedBuffers() = default;
    MappedBuffers(const MappedBuffers&) = delete;
    MappedBuffers& operator=(const MappedBuffers&) = delete;
    ~MappedBuffers() { release(); }

    // Requests `count` buffers (the driver may grant another number), maps and queues them all.
    Error allocate(V4l2Io& io, int fd, unsigned count, const std::string& deviceName);
    // Unmaps and frees the buffers; the stream must be off.
    void release();

    size_t count() const { return m_buffers.size(); }
    const uint8_t* data(size_t index) const { return static_cast<const uint8_t*>(m_buffers[index].address); }
    size_t length(size_t index) const { return m_buffers[index].length; }

private:
    struct Mapping {
        void* address;
        size_t length;
    };
    V4l2Io* m_io = nullptr;
    int m_fd = -1;
    std::vector<Mapping> m_buffers;
};

}  // namespace media
