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

v4l2_buffer emptyBuffer()
{
    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    return b;
}

int bytesPerPixel(PixelFormat f) { return f == PixelFormat::Yuyv ? 2 : 3; }

}  // namespace

V4l2Camera::V4l2Camera(std::string devicePath, std::shared_ptr<V4l2Io> io,
                       std::optional<FrameSize> wantedSize)
    : V4l2Camera(std::move(devicePath), std::move(io), StreamRequest{wantedSize, std::nullopt, std::nullopt})
{
}

V4l2Camera::V4l2Camera(std::string devicePath, std::shared_ptr<V4l2Io> io, StreamRequest wanted)
    : path_(std::move(devicePath)), io_(std::move(io)), wanted_(wanted)
{
}

V4l2Camera::~V4l2Camera() { stop(); }

std::string V4l2Camera::name() const { return cardName_.empty() ? path_ : cardName_; }

Error V4l2Camera::start()
{
    stop();
    Error e = openDevice(OpenMode::Native);
    if (!e)
        e = checkCapabilities();
    if (!e) {
        e = negotiateFormat(*io_, fd_, false, name(), wanted_, format_);
        if (e.kind == ErrorKind::Unsupported) {
            closeDevice();
            e = openDevice(OpenMode::Converted);
            if (!e)
                e = negotiateFormat(*io_, fd_, true, name(), wanted_, format_);
        }
    }
    if (!e)
        e = buffers_.allocate(*io_, fd_, kBufferCount, name());
    if (!e) {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (io_->ioctl(fd_, VIDIOC_STREAMON, &type) < 0)
            e = deviceError(errno, name(), "start streaming");
    }
    if (e) {
        closeDevice();
        return e;
    }
    const StreamFormat& s = format_.stream;
    frameIntervalNs_ = int64_t{s.frameIntervalNumerator} * 1'000'000'000 / s.frameIntervalDenominator;
    streaming_ = true;
    delivered_ = false;
    return Error::none();
}

Error V4l2Camera::openDevice(OpenMode mode)
{
    converted_ = mode == OpenMode::Converted;
    fd_ = io_->open(path_, mode);
    return fd_ < 0 ? deviceError(errno, name(), "open it") : Error::none();
}

Error V4l2Camera::checkCapabilities()
{
    v4l2_capability cap{};
    if (io_->ioctl(fd_, VIDIOC_QUERYCAP, &cap) < 0)
        return deviceError(errno, name(), "query its capabilities");
    const char* card = reinterpret_cast<const char*>(cap.card);
    cardName_.assign(card, strnlen(card, sizeof cap.card));
    const __u32 caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE))
        return {ErrorKind::Unsupported, "\"" + name() + "\" is not a video capture device."};
    if (!(caps & V4L2_CAP_STREAMING))
        return {ErrorKind::Unsupported, "The camera \"" + name() + "\" cannot stream video."};
    return Error::none();
}

Error V4l2Camera::readFrame(Frame& frame)
{
    if (!streaming_)
        return {ErrorKind::Io, "The camera \"" + name() + "\" is not started."};
    const int64_t deadline = monotonicNowNs() + std::chrono::nanoseconds(kReadTimeout).count();
    int damaged = 0;
    while (true) {
        const int64_t left = deadline - monotonicNowNs();
        if (left <= 0)
            return noFrameError(damaged);
        short revents = 0;
        const int ready = io_->poll(fd_, POLLIN, static_cast<int>((left + 999'999) / 1'000'000), revents);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return streamError(errno, "wait for a frame");
        if (ready == 0)
            return noFrameError(damaged);

        const int64_t dequeuedAt = monotonicNowNs();
        v4l2_buffer buffer = emptyBuffer();
        bool have = false;
        if (Error e = dequeueNewest(buffer, have))
            return e;
        if (!have) {
            // Woken with an error but no buffer: the stream broke under us.
            if (revents & (POLLERR | POLLHUP))
                return streamError(EIO, "read a frame");
            continue;
        }
        const bool complete = copyOut(buffer, dequeuedAt, frame);
        if (Error e = requeue(buffer))
            return e;
        if (complete)
            return Error::none();
        ++damaged;
    }
}

Error V4l2Camera::dequeueNewest(v4l2_buffer& newest, bool& have)
{
    // Bounded by the buffer count so that a driver refilling as fast as we drain cannot keep
    // us here.
    for (size_t i = 0; i < buffers_.count(); ++i) {
        v4l2_buffer b = emptyBuffer();
        if (io_->ioctl(fd_, VIDIOC_DQBUF, &b) < 0) {
            if (errno == EAGAIN)
                return Error::none();
            return streamError(errno, "read a frame");
        }
        if (have) {
            if (Error e = requeue(newest))
                return e;
        }
        newest = b;
        have = true;
    }
    return Error::none();
}

Error V4l2Camera::requeue(v4l2_buffer& buffer)
{
    return io_->ioctl(fd_, VIDIOC_QBUF, &buffer) < 0 ? streamError(errno, "return a buffer")
                                                       : Error::none();
}

bool V4l2Camera::copyOut(const v4l2_buffer& buffer, int64_t dequeuedAtNs, Frame& frame)
{
    if ((buffer.flags & V4L2_BUF_FLAG_ERROR) || buffer.index >= buffers_.count())
        return false;
    const uint8_t* src = buffers_.data(buffer.index);
    const size_t used = std::min<size_t>(buffer.bytesused, buffers_.length(buffer.index));
    const StreamFormat& s = format_.stream;

    if (s.format == PixelFormat::Mjpeg) {
        const auto length = FindJpegEnd(std::span<const uint8_t>(src, used));
        if (!length)
            return false;
        frame.data.assign(src, src + *length);
    } else {
        const size_t row = size_t(s.width) * bytesPerPixel(s.format);
        const size_t stride = format_.bytesPerLine;
        if (used < stride * (s.height - 1) + row)
            return false;
        if (stride == row) {
            frame.data.assign(src, src + row * s.height);
        } else {
            frame.data.resize(row * s.height);
            for (int y = 0; y < s.height; ++y)
                std::memcpy(frame.data.data() + y * row, src + y * stride, row);
        }
    }
    frame.format = s.format;
    frame.width = s.width;
    frame.height = s.height;
    frame.exposureStartNs = exposureStartNs(buffer, frameIntervalNs_, dequeuedAtNs);

    // Counted from the stream's first frame; drivers that do not count still count up here.
    if (!delivered_)
        firstSequence_ = buffer.sequence;
    uint64_t sequence = buffer.sequence - firstSequence_;
    if (delivered_ && sequence <= lastSequence_)
        sequence = lastSequence_ + 1;
    frame.sequence = sequence;
    lastSequence_ = sequence;
    delivered_ = true;
    return true;
}

Error V4l2Camera::streamError(int err, std::string_view action)
{
    // After an unplug some drivers answer EIO rather than ENODEV; a device that no longer
    // answers a capability query is gone.
    if (err == EIO) {
        v4l2_capability cap{};
        if (io_->ioctl(fd_, VIDIOC_QUERYCAP, &cap) < 0)
            err = ENODEV;
    }
    return deviceError(err, name(), action);
}

Error V4l2Camera::noFrameError(int damagedFrames) const
{
    const auto seconds =
        std::to_string(std::chrono::duration_cast<std::chrono::seconds>(kReadTimeout).count());
    if (damagedFrames > 0)
        return {ErrorKind::Io, "The camera \"" + name() + "\" sent only damaged frames for " +
                                   seconds + " s."};
    return {ErrorKind::Io, "The camera \"" + name() + "\" sent no frame for " + seconds + " s."};
}

void V4l2Camera::stop()
{
    if (streaming_) {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        io_->ioctl(fd_, VIDIOC_STREAMOFF, &type);
        streaming_ = false;
    }
    closeDevice();
}

void V4l2Camera::closeDevice()
{
    buffers_.release();
    if (fd_ >= 0)
        io_->close(fd_);
    fd_ = -1;
}

}  // namespace media
