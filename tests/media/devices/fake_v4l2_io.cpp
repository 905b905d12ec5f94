#include "fake_v4l2_io.h"

#include <poll.h>
#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace media::testing {
namespace {

constexpr uint32_t kOffsetStep = 0x100000;

void CopyText(__u8* field, size_t size, const std::string& text) {
    std::memcpy(field, text.data(), std::min(size, text.size()));  // full names stay unterminated
}

uint32_t BytesPerLine(uint32_t fourcc, uint32_t width) {
    switch (fourcc) {
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG:
        return 0;
    case V4L2_PIX_FMT_RGB24:
        return width * 3;
    default:
        return width * 2;
    }
}

}  // namespace

int FakeV4l2Io::fail(int err) {
    errno = err;
    return -1;
}

int FakeV4l2Io::open(const std::string& path, OpenMode mode) {
    std::lock_guard lock(m_mutex);
    auto it = m_devices.find(path);
    if (it == m_devices.end() || m_unplugged) return fail(ENOENT);
    if (it->second.openErrno) return fail(it->second.openErrno);
    openModes.push_back(mode);
    m_open[m_nextFd] = {path, mode};
    return m_nextFd++;
}

int FakeV4l2Io::close(int fd) {
    std::lock_guard lock(m_mutex);
    return m_open.erase(fd) ? 0 : fail(EBADF);
}

std::vector<const FakeFormat*> FakeV4l2Io::visibleFormats(const OpenFile& file) const {
    std::vector<const FakeFormat*> out;
    for (const FakeFormat& f : m_devices.at(file.path).formats) {
        if (!f.emulated || file.mode == OpenMode::Converted) out.push_back(&f);
    }
    return out;
}

int FakeV4l2Io::setFormat(const OpenFile& file, v4l2_format& f) {
    const FakeDevice& dev = m_devices.at(file.path);
    if (dev.sFmtErrno) return fail(dev.sFmtErrno);
    lastRequested = f.fmt.pix;
    const auto formats = visibleFormats(file);
    if (formats.empty()) return fail(EINVAL);
    const FakeFormat* chosen = formats.front();
    for (const FakeFormat* candidate : formats) {
        if (candidate->fourcc == f.fmt.pix.pixelformat) chosen = candidate;
    }
    v4l2_pix_format& pix = f.fmt.pix;
    pix.pixelformat = chosen->fourcc;
    const FrameSize asked{int(pix.width), int(pix.height)};
    if (!chosen->sizes.empty() && std::find(chosen->sizes.begin(), chosen->sizes.end(), asked) == chosen->sizes.end()) {
        pix.width = chosen->sizes.front().width;
        pix.height = chosen->sizes.front().height;
    }
    pix.bytesperline = BytesPerLine(pix.pixelformat, pix.width);
    pix.sizeimage = std::max<uint32_t>(pix.bytesperline, pix.width * 2) * pix.height;
    if (dev.adjust) dev.adjust(pix);
    m_current = f;
    return 0;
}

int FakeV4l2Io::ioctl(int fd, unsigned long request, void* arg) {
    std::lock_guard lock(m_mutex);
    auto fileIt = m_open.find(fd);
    if (fileIt == m_open.end()) return fail(EBADF);
    if (m_unplugged) return fail(request == VIDIOC_DQBUF ? m_dequeueErrno : ENODEV);
    const OpenFile& file = fileIt->second;
    FakeDevice& dev = m_devices.at(file.path);

    switch (request) {
    case VIDIOC_QUERYCAP: {
        auto* cap = static_cast<v4l2_capability*>(arg);
        *cap = {};
        CopyText(cap->card, sizeof cap->card, dev.card);
        CopyText(cap->driver, sizeof cap->driver, dev.driver);
        CopyText(cap->bus_info, sizeof cap->bus_info, dev.busInfo);
        cap->version = dev.version;
        if (dev.hasDeviceCaps) {
            cap->capabilities = dev.physicalCaps | V4L2_CAP_DEVICE_CAPS;
            cap->device_caps = dev.caps;
        } else {
            cap->capabilities = dev.caps;
        }
        return 0;
    }
    case VIDIOC_ENUM_FMT: {
        auto* desc = static_cast<v4l2_fmtdesc*>(arg);
        const auto formats = visibleFormats(file);
        if (desc->index >= formats.size()) return fail(EINVAL);
        desc->pixelformat = formats[desc->index]->fourcc;
        desc->flags = formats[desc->index]->emulated ? V4L2_FMT_FLAG_EMULATED : 0;
        return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
        auto* e = static_cast<v4l2_frmsizeenum*>(arg);
        for (const FakeFormat* f : visibleFormats(file)) {
            if (f->fourcc == e->pixel_format && e->index < f->sizes.size()) {
                e->type = V4L2_FRMSIZE_TYPE_DISCRETE;
                e->discrete.width = f->sizes[e->index].width;
                e->discrete.height = f->sizes[e->index].height;
                return 0;
            }
        }
        return fail(EINVAL);
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
        auto* e = static_cast<v4l2_frmivalenum*>(arg);
        for (const FakeFormat* f : visibleFormats(file)) {
            const FrameSize size{int(e->width), int(e->height)};
            if (f->fourcc == e->pixel_format && e->index < dev.intervals.size() &&
                std::find(f->sizes.begin(), f->sizes.end(), size) != f->sizes.end()) {
                e->type = V4L2_FRMIVAL_TYPE_DISCRETE;
                e->discrete = dev.intervals[e->index];
                return 0;
            }
        }
        return fail(EINVAL);
    }
    case VIDIOC_G_FMT:
        *static_cast<v4l2_format*>(arg) = m_current;
        return 0;
    case VIDIOC_S_FMT:
        return setFormat(file, *static_cast<v4l2_format*>(arg));
    case VIDIOC_G_PARM:
    case VIDIOC_S_PARM: {
        auto* parm = static_cast<v4l2_streamparm*>(arg);
        if (request == VIDIOC_S_PARM) {
            if (!dev.settableInterval) return fail(EINVAL);
            const v4l2_fract asked = parm->parm.capture.timeperframe;
            lastIntervalRequested = asked;
            // A listed interval is taken; anything else leaves the driver at its own.
            for (const v4l2_fract& listed : dev.intervals) {
                if (listed.numerator == asked.numerator && listed.denominator == asked.denominator)
                    dev.interval = asked;
            }
        }
        parm->parm.capture.capability = dev.settableInterval ? V4L2_CAP_TIMEPERFRAME : 0;
        parm->parm.capture.timeperframe = dev.interval;
        return 0;
    }
    case VIDIOC_REQBUFS: {
        auto* req = static_cast<v4l2_requestbuffers*>(arg);
        if (dev.reqBufsErrno) return fail(dev.reqBufsErrno);
        if (m_streaming || m_mapped > 0) return fail(EBUSY);
        m_buffers.clear();
        m_queued.clear();
        m_done.clear();
        if (req->count > 0 && dev.grantedBuffers) req->count = dev.grantedBuffers;
        for (uint32_t i = 0; i < req->count; ++i) {
            Buffer b;
            b.memory.assign(m_current.fmt.pix.sizeimage, 0);
            b.state.index = i;
            b.state.length = m_current.fmt.pix.sizeimage;
            b.state.m.offset = i * kOffsetStep;
            m_buffers.push_back(std::move(b));
        }
        return 0;
    }
    case VIDIOC_QUERYBUF: {
        auto* b = static_cast<v4l2_buffer*>(arg);
        if (b->index >= m_buffers.size()) return fail(EINVAL);
        *b = m_buffers[b->index].state;
        return 0;
    }
    case VIDIOC_QBUF: {
        const auto* b = static_cast<const v4l2_buffer*>(arg);
        if (b->index >= m_buffers.size() || std::find(m_queued.begin(), m_queued.end(), b->index) != m_queued.end())
            return fail(EINVAL);
        m_queued.push_back(b->index);
        return 0;
    }
    case VIDIOC_DQBUF: {
        if (m_dequeueErrno) return fail(m_dequeueErrno);
        if (m_done.empty()) return fail(EAGAIN);
        *static_cast<v4l2_buffer*>(arg) = m_buffers[m_done.front()].state;
        m_done.pop_front();
        return 0;
    }
    case VIDIOC_STREAMON:
        m_streaming = true;
        m_streamingDevice = &dev;
        if (dev.controlsResetOnStreamOn) {
            for (FakeControl& c : dev.controls) c.value = c.defaultValue;
        }
        return 0;
    case VIDIOC_STREAMOFF:
        m_streaming = false;
        m_queued.clear();
        m_done.clear();
        return 0;
    default:
        return controlIoctl(dev, request, arg);
    }
}

namespace {

bool Governed(const FakeDevice& dev, const FakeControl& c) {
    if (!c.governor) return false;
    for (const FakeControl& g : dev.controls) {
        if (g.id == c.governor) return g.value != c.manualValue;
    }
    return false;
}

FakeControl* FindControl(FakeDevice& dev, uint32_t id) {
    for (FakeControl& c : dev.controls) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

}  // namespace

int FakeV4l2Io::controlIoctl(FakeDevice& dev, unsigned long request, void* arg) {
    switch (request) {
    case VIDIOC_QUERY_EXT_CTRL:
        if (!dev.extendedControlQueries) return fail(ENOTTY);
        return queryControl(dev, static_cast<v4l2_query_ext_ctrl*>(arg)->id, true, arg);
    case VIDIOC_QUERYCTRL:
        return queryControl(dev, static_cast<v4l2_queryctrl*>(arg)->id, false, arg);
    case VIDIOC_QUERYMENU: {
        auto* m = static_cast<v4l2_querymenu*>(arg);
        const FakeControl* c = FindControl(dev, m->id);
        if (!c) return fail(EINVAL);
        if (c->type == V4L2_CTRL_TYPE_MENU && c->menu.count(m->index)) {
            CopyText(m->name, sizeof m->name, c->menu.at(m->index));
            return 0;
        }
        if (c->type == V4L2_CTRL_TYPE_INTEGER_MENU && c->integerMenu.count(m->index)) {
            m->value = c->integerMenu.at(m->index);
            return 0;
        }
        return fail(EINVAL);
    }
    case VIDIOC_G_CTRL: {
        auto* v = static_cast<v4l2_control*>(arg);
        const FakeControl* c = FindControl(dev, v->id);
        if (!c) return fail(EINVAL);
        if (c->flags & V4L2_CTRL_FLAG_WRITE_ONLY) return fail(EACCES);
        v->value = c->value;
        return 0;
    }
    case VIDIOC_S_CTRL:
        return setControl(dev, *static_cast<v4l2_control*>(arg));
    default:
        return fail(ENOTTY);
    }
}

int FakeV4l2Io::queryControl(FakeDevice& dev, uint32_t id, bool extended, void* arg) {
    const FakeControl* found = nullptr;
    if (id & V4L2_CTRL_FLAG_NEXT_CTRL) {
        const uint32_t after = id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
        for (const FakeControl& c : dev.controls) {
            if (c.id > after && (!found || c.id < found->id)) found = &c;
        }
    } else {
        found = FindControl(dev, id);
    }
    if (!found) return fail(EINVAL);
    const FakeControl& c = *found;
    const uint32_t flags = c.flags | (Governed(dev, c) ? V4L2_CTRL_FLAG_INACTIVE : 0);
    if (extended) {
        auto* q = static_cast<v4l2_query_ext_ctrl*>(arg);
        *q = {};
        q->id = c.id;
        q->type = c.type;
        CopyText(reinterpret_cast<__u8*>(q->name), sizeof q->name, c.name);
        q->minimum = c.minimum;
        q->maximum = c.maximum;
        q->step = static_cast<uint64_t>(c.step);
        q->default_value = c.defaultValue;
        q->flags = flags;
        q->elems = 1;
        return 0;
    }
    auto* q = static_cast<v4l2_queryctrl*>(arg);
    *q = {};
    q->id = c.id;
    q->type = c.type;
    CopyText(q->name, sizeof q->name, c.name);
    q->minimum = c.minimum;
    q->maximum = c.maximum;
    q->step = c.step;
    q->default_value = c.defaultValue;
    q->flags = flags;
    return 0;
}

int FakeV4l2Io::setControl(FakeDevice& dev, v4l2_control& v) {
    FakeControl* c = FindControl(dev, v.id);
    if (!c) return fail(EINVAL);
    if (c->flags & V4L2_CTRL_FLAG_READ_ONLY) return fail(EACCES);
    if (dev.refuseInactiveControls && Governed(dev, *c)) return fail(EACCES);
    if (c->setErrno) return fail(c->setErrno);
    int32_t value = v.value;
    switch (c->type) {
    case V4L2_CTRL_TYPE_MENU:
        if (!c->menu.count(static_cast<uint32_t>(value))) return fail(EINVAL);
        break;
    case V4L2_CTRL_TYPE_INTEGER_MENU:
        if (!c->integerMenu.count(static_cast<uint32_t>(value))) return fail(EINVAL);
        break;
    default:
        if (value < c->minimum || value > c->maximum) return fail(ERANGE);
        // Drivers round to the nearest step, as the control framework does.
        value = c->minimum + (value - c->minimum + c->step / 2) / c->step * c->step;
    }
    c->value = value;
    v.value = value;
    m_controlsSet.emplace_back(v.id, value);
    return 0;
}

int32_t FakeV4l2Io::controlValue(const std::string& path, uint32_t id) {
    std::lock_guard lock(m_mutex);
    const FakeControl* c = FindControl(m_devices.at(path), id);
    return c ? c->value : -1;
}

std::vector<std::pair<uint32_t, int32_t>> FakeV4l2Io::controlsSet() {
    std::lock_guard lock(m_mutex);
    return m_controlsSet;
}

void* FakeV4l2Io::mmap(int fd, size_t length, off_t offset) {
    std::lock_guard lock(m_mutex);
    const size_t index = static_cast<size_t>(offset) / kOffsetStep;
    if (!m_open.count(fd) || index >= m_buffers.size() || length != m_buffers[index].memory.size()) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    ++m_mapped;
    return m_buffers[index].memory.data();
}

int FakeV4l2Io::munmap(void*, size_t) {
    std::lock_guard lock(m_mutex);
    --m_mapped;
    return 0;
}

int FakeV4l2Io::poll(int fd, short, int, short& revents) {
    std::lock_guard lock(m_mutex);
    if (m_unplugged || m_dequeueErrno) {
        revents = POLLERR | POLLHUP;
        return 1;
    }
    revents = m_done.empty() ? 0 : POLLIN;
    return m_done.empty() ? 0 : 1;
}

bool FakeV4l2Io::deliver(const std::vector<uint8_t>& payload, int64_t timestampNs, uint32_t extraFlags,
                         std::optional<uint32_t> bytesUsed) {
    std::lock_guard lock(m_mutex);
    if (!m_streaming || m_queued.empty()) return false;
    Buffer& b = m_buffers[m_queued.front()];
    m_queued.pop_front();
    std::copy_n(payload.begin(), std::min(payload.size(), b.memory.size()), b.memory.begin());
    b.state.bytesused = bytesUsed.value_or(static_cast<uint32_t>(payload.size()));
    b.state.flags = m_streamingDevice->timestampFlags | extraFlags;
    b.state.timestamp.tv_sec = timestampNs / 1'000'000'000;
    b.state.timestamp.tv_usec = (timestampNs % 1'000'000'000) / 1'000;
    b.state.sequence = m_sequence++;
    m_done.push_back(b.state.index);
    return true;
}

void FakeV4l2Io::replug() {
    std::lock_guard lock(m_mutex);
    m_unplugged = false;
    m_dequeueErrno = 0;
    m_streaming = false;
}

void FakeV4l2Io::unplug(int dequeueErrno) {
    std::lock_guard lock(m_mutex);
    m_unplugged = true;
    m_dequeueErrno = dequeueErrno;
}

}  // namespace media::testing
