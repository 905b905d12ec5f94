#include "fake_v4l2_io.h"

#include <poll.h>
#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace media::testing {
namespace {

constexpr uint32_t kOffsetStep = 0x100000;

void copyText(__u8* field, size_t size, const std::string& text)
{
    std::memcpy(field, text.data(), std::min(size, text.size()));  // full names stay unterminated
}

uint32_t bytesPerLine(uint32_t fourcc, uint32_t width)
{
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

int FakeV4l2Io::fail(int err)
{
    errno = err;
    return -1;
}

int FakeV4l2Io::open(const std::string& path, OpenMode mode)
{
    std::lock_guard lock(mutex_);
    auto it = devices_.find(path);
    if (it == devices_.end() || unplugged_)
        return fail(ENOENT);
    if (it->second.openErrno)
        return fail(it->second.openErrno);
    openModes.push_back(mode);
    open_[nextFd_] = {path, mode};
    return nextFd_++;
}

int FakeV4l2Io::close(int fd)
{
    std::lock_guard lock(mutex_);
    return open_.erase(fd) ? 0 : fail(EBADF);
}

std::vector<const FakeFormat*> FakeV4l2Io::visibleFormats(const OpenFile& file) const
{
    std::vector<const FakeFormat*> out;
    for (const FakeFormat& f : devices_.at(file.path).formats) {
        if (!f.emulated || file.mode == OpenMode::Converted)
            out.push_back(&f);
    }
    return out;
}

int FakeV4l2Io::setFormat(const OpenFile& file, v4l2_format& f)
{
    const FakeDevice& dev = devices_.at(file.path);
    if (dev.sFmtErrno)
        return fail(dev.sFmtErrno);
    lastRequested = f.fmt.pix;
    const auto formats = visibleFormats(file);
    if (formats.empty())
        return fail(EINVAL);
    const FakeFormat* chosen = formats.front();
    for (const FakeFormat* candidate : formats) {
        if (candidate->fourcc == f.fmt.pix.pixelformat)
            chosen = candidate;
    }
    v4l2_pix_format& pix = f.fmt.pix;
    pix.pixelformat = chosen->fourcc;
    const FrameSize asked{int(pix.width), int(pix.height)};
    if (!chosen->sizes.empty() &&
        std::find(chosen->sizes.begin(), chosen->sizes.end(), asked) == chosen->sizes.end()) {
        pix.width = chosen->sizes.front().width;
        pix.height = chosen->sizes.front().height;
    }
    pix.bytesperline = bytesPerLine(pix.pixelformat, pix.width);
    pix.sizeimage = std::max<uint32_t>(pix.bytesperline, pix.width * 2) * pix.height;
    if (dev.adjust)
        dev.adjust(pix);
    current_ = f;
    return 0;
}

int FakeV4l2Io::ioctl(int fd, unsigned long request, void* arg)
{
    std::lock_guard lock(mutex_);
    auto fileIt = open_.find(fd);
    if (fileIt == open_.end())
        return fail(EBADF);
    if (unplugged_)
        return fail(request == VIDIOC_DQBUF ? dequeueErrno_ : ENODEV);
    const OpenFile& file = fileIt->second;
    FakeDevice& dev = devices_.at(file.path);

    switch (request) {
    case VIDIOC_QUERYCAP: {
        auto* cap = static_cast<v4l2_capability*>(arg);
        *cap = {};
        copyText(cap->card, sizeof cap->card, dev.card);
        copyText(cap->driver, sizeof cap->driver, dev.driver);
        copyText(cap->bus_info, sizeof cap->bus_info, dev.busInfo);
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
        if (desc->index >= formats.size())
            return fail(EINVAL);
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
        *static_cast<v4l2_format*>(arg) = current_;
        return 0;
    case VIDIOC_S_FMT:
        return setFormat(file, *static_cast<v4l2_format*>(arg));
    case VIDIOC_G_PARM:
    case VIDIOC_S_PARM: {
        auto* parm = static_cast<v4l2_streamparm*>(arg);
        if (request == VIDIOC_S_PARM) {
            if (!dev.settableInterval)
                return fail(EINVAL);
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
        if (dev.reqBufsErrno)
            return fail(dev.reqBufsErrno);
        if (streaming_ || mapped_ > 0)
            return fail(EBUSY);
        buffers_.clear();
        queued_.clear();
        done_.clear();
        if (req->count > 0 && dev.grantedBuffers)
            req->count = dev.grantedBuffers;
        for (uint32_t i = 0; i < req->count; ++i) {
            Buffer b;
            b.memory.assign(current_.fmt.pix.sizeimage, 0);
            b.state.index = i;
            b.state.length = current_.fmt.pix.sizeimage;
            b.state.m.offset = i * kOffsetStep;
            buffers_.push_back(std::move(b));
        }
        return 0;
    }
    case VIDIOC_QUERYBUF: {
        auto* b = static_cast<v4l2_buffer*>(arg);
        if (b->index >= buffers_.size())
            return fail(EINVAL);
        *b = buffers_[b->index].state;
        return 0;
    }
    case VIDIOC_QBUF: {
        const auto* b = static_cast<const v4l2_buffer*>(arg);
        if (b->index >= buffers_.size() ||
            std::find(queued_.begin(), queued_.end(), b->index) != queued_.end())
            return fail(EINVAL);
        queued_.push_back(b->index);
        return 0;
    }
    case VIDIOC_DQBUF: {
        if (dequeueErrno_)
            return fail(dequeueErrno_);
        if (done_.empty())
            return fail(EAGAIN);
        *static_cast<v4l2_buffer*>(arg) = buffers_[done_.front()].state;
        done_.pop_front();
        return 0;
    }
    case VIDIOC_STREAMON:
        streaming_ = true;
        streamingDevice_ = &dev;
        if (dev.controlsResetOnStreamOn) {
            for (FakeControl& c : dev.controls)
                c.value = c.defaultValue;
        }
        return 0;
    case VIDIOC_STREAMOFF:
        streaming_ = false;
        queued_.clear();
        done_.clear();
        return 0;
    default:
        return controlIoctl(dev, request, arg);
    }
}

namespace {

bool governed(const FakeDevice& dev, const FakeControl& c)
{
    if (!c.governor)
        return false;
    for (const FakeControl& g : dev.controls) {
        if (g.id == c.governor)
            return g.value != c.manualValue;
    }
    return false;
}

FakeControl* findControl(FakeDevice& dev, uint32_t id)
{
    for (FakeControl& c : dev.controls) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

}  // namespace

int FakeV4l2Io::controlIoctl(FakeDevice& dev, unsigned long request, void* arg)
{
    switch (request) {
    case VIDIOC_QUERY_EXT_CTRL:
        if (!dev.extendedControlQueries)
            return fail(ENOTTY);
        return queryControl(dev, static_cast<v4l2_query_ext_ctrl*>(arg)->id, true, arg);
    case VIDIOC_QUERYCTRL:
        return queryControl(dev, static_cast<v4l2_queryctrl*>(arg)->id, false, arg);
    case VIDIOC_QUERYMENU: {
        auto* m = static_cast<v4l2_querymenu*>(arg);
        const FakeControl* c = findControl(dev, m->id);
        if (!c)
            return fail(EINVAL);
        if (c->type == V4L2_CTRL_TYPE_MENU && c->menu.count(m->index)) {
            copyText(m->name, sizeof m->name, c->menu.at(m->index));
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
        const FakeControl* c = findControl(dev, v->id);
        if (!c)
            return fail(EINVAL);
        if (c->flags & V4L2_CTRL_FLAG_WRITE_ONLY)
            return fail(EACCES);
        v->value = c->value;
        return 0;
    }
    case VIDIOC_S_CTRL:
        return setControl(dev, *static_cast<v4l2_control*>(arg));
    default:
        return fail(ENOTTY);
    }
}

int FakeV4l2Io::queryControl(FakeDevice& dev, uint32_t id, bool extended, void* arg)
{
    const FakeControl* found = nullptr;
    if (id & V4L2_CTRL_FLAG_NEXT_CTRL) {
        const uint32_t after = id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
        for (const FakeControl& c : dev.controls) {
            if (c.id > after && (!found || c.id < found->id))
                found = &c;
        }
    } else {
        found = findControl(dev, id);
    }
    if (!found)
        return fail(EINVAL);
    const FakeControl& c = *found;
    const uint32_t flags = c.flags | (governed(dev, c) ? V4L2_CTRL_FLAG_INACTIVE : 0);
    if (extended) {
        auto* q = static_cast<v4l2_query_ext_ctrl*>(arg);
        *q = {};
        q->id = c.id;
        q->type = c.type;
        copyText(reinterpret_cast<__u8*>(q->name), sizeof q->name, c.name);
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
    copyText(q->name, sizeof q->name, c.name);
    q->minimum = c.minimum;
    q->maximum = c.maximum;
    q->step = c.step;
    q->default_value = c.defaultValue;
    q->flags = flags;
    return 0;
}

int FakeV4l2Io::setControl(FakeDevice& dev, v4l2_control& v)
{
    FakeControl* c = findControl(dev, v.id);
    if (!c)
        return fail(EINVAL);
    if (c->flags & V4L2_CTRL_FLAG_READ_ONLY)
        return fail(EACCES);
    if (dev.refuseInactiveControls && governed(dev, *c))
        return fail(EACCES);
    if (c->setErrno)
        return fail(c->setErrno);
    int32_t value = v.value;
    switch (c->type) {
    case V4L2_CTRL_TYPE_MENU:
        if (!c->menu.count(static_cast<uint32_t>(value)))
            return fail(EINVAL);
        break;
    case V4L2_CTRL_TYPE_INTEGER_MENU:
        if (!c->integerMenu.count(static_cast<uint32_t>(value)))
            return fail(EINVAL);
        break;
    default:
        if (value < c->minimum || value > c->maximum)
            return fail(ERANGE);
        // Drivers round to the nearest step, as the control framework does.
        value = c->minimum + (value - c->minimum + c->step / 2) / c->step * c->step;
    }
    c->value = value;
    v.value = value;
    controlsSet_.emplace_back(v.id, value);
    return 0;
}

int32_t FakeV4l2Io::controlValue(const std::string& path, uint32_t id)
{
    std::lock_guard lock(mutex_);
    const FakeControl* c = findControl(devices_.at(path), id);
    return c ? c->value : -1;
}

std::vector<std::pair<uint32_t, int32_t>> FakeV4l2Io::controlsSet()
{
    std::lock_guard lock(mutex_);
    return controlsSet_;
}

void* FakeV4l2Io::mmap(int fd, size_t length, off_t offset)
{
    std::lock_guard lock(mutex_);
    const size_t index = static_cast<size_t>(offset) / kOffsetStep;
    if (!open_.count(fd) || index >= buffers_.size() || length != buffers_[index].memory.size()) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    ++mapped_;
    return buffers_[index].memory.data();
}

int FakeV4l2Io::munmap(void*, size_t)
{
    std::lock_guard lock(mutex_);
    --mapped_;
    return 0;
}

int FakeV4l2Io::poll(int fd, short, int, short& revents)
{
    std::lock_guard lock(mutex_);
    if (unplugged_ || dequeueErrno_) {
        revents = POLLERR | POLLHUP;
        return 1;
    }
    revents = done_.empty() ? 0 : POLLIN;
    return done_.empty() ? 0 : 1;
}

bool FakeV4l2Io::deliver(const std::vector<uint8_t>& payload, int64_t timestampNs,
                         uint32_t extraFlags, std::optional<uint32_t> bytesUsed)
{
    std::lock_guard lock(mutex_);
    if (!streaming_ || queued_.empty())
        return false;
    Buffer& b = buffers_[queued_.front()];
    queued_.pop_front();
    std::copy_n(payload.begin(), std::min(payload.size(), b.memory.size()), b.memory.begin());
    b.state.bytesused = bytesUsed.value_or(static_cast<uint32_t>(payload.size()));
    b.state.flags = streamingDevice_->timestampFlags | extraFlags;
    b.state.timestamp.tv_sec = timestampNs / 1'000'000'000;
    b.state.timestamp.tv_usec = (timestampNs % 1'000'000'000) / 1'000;
    b.state.sequence = sequence_++;
    done_.push_back(b.state.index);
    return true;
}

void FakeV4l2Io::replug()
{
    std::lock_guard lock(mutex_);
    unplugged_ = false;
    dequeueErrno_ = 0;
    streaming_ = false;
}

void FakeV4l2Io::unplug(int dequeueErrno)
{
    std::lock_guard lock(mutex_);
    unplugged_ = true;
    dequeueErrno_ = dequeueErrno;
}

}  // namespace media::testing
