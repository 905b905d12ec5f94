#include "v4l2_camera.h"

#include "media/jpeg/jpeg_markers.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "buffer_timing.h"
#include "device_error.h"

namespace media {
namespace {

v4l2_buffer EmptyBuffer() {
    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    return b;
}

int BytesPerPixel(PixelFormat f) { return f == PixelFormat::Yuyv ? 2 : 3; }

}  // namespace

V4l2Camera::V4l2Camera(std::string devicePath, std::shared_ptr<V4l2Io> io, std::optional<FrameSize> wantedSize)
    : V4l2Camera(std::move(devicePath), std::move(io), StreamRequest{wantedSize, std::nullopt, std::nullopt}) {}

V4l2Camera::V4l2Camera(std::string devicePath, std::shared_ptr<V4l2Io> io, StreamRequest wanted)
    : m_path(std::move(devicePath)), m_io(std::move(io)), m_wanted(wanted) {}

V4l2Camera::~V4l2Camera() { stop(); }

std::string V4l2Camera::name() const { return m_cardName.empty() ? m_path : m_cardName; }

Error V4l2Camera::start() {
    stop();
    Error e = openDevice(OpenMode::Native);
    if (!e) e = checkCapabilities();
    if (!e) {
        e = NegotiateFormat(*m_io, m_fd, false, name(), m_wanted, m_format);
        if (e.kind == ErrorKind::Unsupported) {
            closeDevice();
            e = openDevice(OpenMode::Converted);
            if (!e) e = NegotiateFormat(*m_io, m_fd, true, name(), m_wanted, m_format);
        }
    }
    if (!e) e = m_buffers.allocate(*m_io, m_fd, kBufferCount, name());
    if (!e) {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (m_io->ioctl(m_fd, VIDIOC_STREAMON, &type) < 0) e = DeviceError(errno, name(), "start streaming");
    }
    if (e) {
        closeDevice();
        return e;
    }
    const StreamFormat& s = m_format.stream;
    m_frameIntervalNs = int64_t{s.frameIntervalNumerator} * 1'000'000'000 / s.frameIntervalDenominator;
    m_streaming = true;
    m_delivered = false;
    return Error::none();
}

Error V4l2Camera::openDevice(OpenMode mode) {
    m_converted = mode == OpenMode::Converted;
    m_fd = m_io->open(m_path, mode);
    return m_fd < 0 ? DeviceError(errno, name(), "open it") : Error::none();
}

Error V4l2Camera::checkCapabilities() {
    v4l2_capability cap{};
    if (m_io->ioctl(m_fd, VIDIOC_QUERYCAP, &cap) < 0) return DeviceError(errno, name(), "query its capabilities");
    const char* card = reinterpret_cast<const char*>(cap.card);
    m_cardName.assign(card, strnlen(card, sizeof cap.card));
    const __u32 caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE))
        return {ErrorKind::Unsupported, "\"" + name() + "\" is not a video capture device."};
    if (!(caps & V4L2_CAP_STREAMING))
        return {ErrorKind::Unsupported, "The camera \"" + name() + "\" cannot stream video."};
    return Error::none();
}

Error V4l2Camera::readFrame(Frame& frame) {
    if (!m_streaming) return {ErrorKind::Io, "The camera \"" + name() + "\" is not started."};
    const int64_t deadline = MonotonicNowNs() + std::chrono::nanoseconds(kReadTimeout).count();
    int damaged = 0;
    while (true) {
        const int64_t left = deadline - MonotonicNowNs();
        if (left <= 0) return noFrameError(damaged);
        short revents = 0;
        const int ready = m_io->poll(m_fd, POLLIN, static_cast<int>((left + 999'999) / 1'000'000), revents);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return streamError(errno, "wait for a frame");
        if (ready == 0) return noFrameError(damaged);

        const int64_t dequeuedAt = MonotonicNowNs();
        v4l2_buffer buffer = EmptyBuffer();
        bool have = false;
        if (Error e = dequeueNewest(buffer, have)) return e;
        if (!have) {
            // Woken with an error but no buffer: the stream broke under us.
            if (revents & (POLLERR | POLLHUP)) return streamError(EIO, "read a frame");
            continue;
        }
        const bool complete = copyOut(buffer, dequeuedAt, frame);
        if (Error e = requeue(buffer)) return e;
        if (complete) return Error::none();
        ++damaged;
    }
}

Error V4l2Camera::dequeueNewest(v4l2_buffer& newest, bool& have) {
    // Bounded by the buffer count so that a driver refilling as fast as we drain cannot keep
    // us here.
    for (size_t i = 0; i < m_buffers.count(); ++i) {
        v4l2_buffer b = EmptyBuffer();
        if (m_io->ioctl(m_fd, VIDIOC_DQBUF, &b) < 0) {
            if (errno == EAGAIN) return Error::none();
            return streamError(errno, "read a frame");
        }
        if (have) {
            if (Error e = requeue(newest)) return e;
        }
        newest = b;
        have = true;
    }
    return Error::none();
}

Error V4l2Camera::requeue(v4l2_buffer& buffer) {
    return m_io->ioctl(m_fd, VIDIOC_QBUF, &buffer) < 0 ? streamError(errno, "return a buffer") : Error::none();
}

bool V4l2Camera::copyOut(const v4l2_buffer& buffer, int64_t dequeuedAtNs, Frame& frame) {
    if ((buffer.flags & V4L2_BUF_FLAG_ERROR) || buffer.index >= m_buffers.count()) return false;
    const uint8_t* src = m_buffers.data(buffer.index);
    const size_t used = std::min<size_t>(buffer.bytesused, m_buffers.length(buffer.index));
    const StreamFormat& s = m_format.stream;

    if (s.format == PixelFormat::Mjpeg) {
        // A picture of another size than the stream's would go into the file under a header
        // that says otherwise: it is as damaged as a cut-off one.
        JpegLayout jpeg;
        if (ParseJpeg(std::span<const uint8_t>(src, used), jpeg) || jpeg.width != s.width || jpeg.height != s.height)
            return false;
        frame.data.assign(src, src + jpeg.end);
    } else {
        const size_t row = size_t(s.width) * BytesPerPixel(s.format);
        const size_t stride = m_format.bytesPerLine;
        if (used < stride * (s.height - 1) + row) return false;
        if (stride == row) {
            frame.data.assign(src, src + row * s.height);
        } else {
            frame.data.resize(row * s.height);
            for (int y = 0; y < s.height; ++y) std::memcpy(frame.data.data() + y * row, src + y * stride, row);
        }
    }
    frame.format = s.format;
    frame.width = s.width;
    frame.height = s.height;
    frame.exposureStartNs = ExposureStartNs(buffer, m_frameIntervalNs, dequeuedAtNs);

    // Counted from the stream's first frame; drivers that do not count still count up here.
    if (!m_delivered) m_firstSequence = buffer.sequence;
    uint64_t sequence = buffer.sequence - m_firstSequence;
    if (m_delivered && sequence <= m_lastSequence) sequence = m_lastSequence + 1;
    frame.sequence = sequence;
    m_lastSequence = sequence;
    m_delivered = true;
    return true;
}

Error V4l2Camera::streamError(int err, std::string_view action) {
    // After an unplug some drivers answer EIO rather than ENODEV; a device that no longer
    // answers a capability query is gone.
    if (err == EIO) {
        v4l2_capability cap{};
        if (m_io->ioctl(m_fd, VIDIOC_QUERYCAP, &cap) < 0) err = ENODEV;
    }
    return DeviceError(err, name(), action);
}

Error V4l2Camera::noFrameError(int damagedFrames) const {
    if (damagedFrames > 0) return {ErrorKind::BadFrame, "The camera sent only damaged frames."};
    const auto seconds = std::to_string(std::chrono::duration_cast<std::chrono::seconds>(kReadTimeout).count());
    return {ErrorKind::Io, "The camera \"" + name() + "\" sent no frame for " + seconds + " s."};
}

void V4l2Camera::stop() {
    if (m_streaming) {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        m_io->ioctl(m_fd, VIDIOC_STREAMOFF, &type);
        m_streaming = false;
    }
    closeDevice();
}

void V4l2Camera::closeDevice() {
    m_buffers.release();
    if (m_fd >= 0) m_io->close(m_fd);
    m_fd = -1;
}

}  // namespace media
