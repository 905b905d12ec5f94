#include "mapped_buffers.h"

#include <linux/videodev2.h>
#include <sys/mman.h>

#include <cerrno>

#include "device_error.h"

namespace media {

Error MappedBuffers::allocate(V4l2Io& io, int fd, unsigned count, const std::string& name) {
    release();
    m_io = &io;
    m_fd = fd;
    v4l2_requestbuffers req{};
    req.count = count;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (io.ioctl(fd, VIDIOC_REQBUFS, &req) < 0) {
        if (errno == EINVAL) return {ErrorKind::Unsupported, "The camera \"" + name + "\" cannot stream video."};
        return DeviceError(errno, name, "get capture buffers");
    }
    if (req.count == 0) return {ErrorKind::Unsupported, "The camera \"" + name + "\" granted no capture buffers."};

    for (__u32 i = 0; i < req.count; ++i) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if (io.ioctl(fd, VIDIOC_QUERYBUF, &buf) < 0) return DeviceError(errno, name, "query its capture buffers");
        void* address = io.mmap(fd, buf.length, static_cast<off_t>(buf.m.offset));
        if (address == MAP_FAILED) return DeviceError(errno, name, "map its capture buffers");
        m_buffers.push_back({address, buf.length});
        if (io.ioctl(fd, VIDIOC_QBUF, &buf) < 0) return DeviceError(errno, name, "queue its capture buffers");
    }
    return Error::none();
}

void MappedBuffers::release() {
    if (!m_io) return;
    for (const Mapping& m : m_buffers) m_io->munmap(m.address, m.length);
    if (!m_buffers.empty()) {
        // Frees the driver's memory now rather than at close; fails harmlessly once unplugged.
        v4l2_requestbuffers req{};
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        m_io->ioctl(m_fd, VIDIOC_REQBUFS, &req);
    }
    m_buffers.clear();
    m_io = nullptr;
    m_fd = -1;
}

}  // namespace media
