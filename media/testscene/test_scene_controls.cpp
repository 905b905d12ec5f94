#include "media/testscene/test_scene_controls.h"

#include <linux/videodev2.h>
#include <sys/mman.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <numbers>

namespace media {
namespace {

constexpr int kFd = 1;
constexpr int32_t kNeutralExposure = 333;  // in 100 µs, as cameras count: 1/30 s
constexpr int32_t kNeutralTemperature = 5000;

int Fail(int err) {
    errno = err;
    return -1;
}

int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Where an automatic mode has taken a value at `nowNs`: a slow swing around the middle.
int32_t Drift(int32_t middle, int32_t swing, int64_t periodNs, int64_t nowNs) {
    const double phase = double(nowNs % periodNs) / double(periodNs);
    return middle + int32_t(std::lround(swing * std::sin(2 * std::numbers::pi * phase)));
}

template <size_t N>
void CopyName(char (&field)[N], const char* name) {
    std::strncpy(field, name, N - 1);
}

}  // namespace

TestSceneControls::TestSceneControls() {
    m_controls = {
        {V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 1, 0, {}, 0, 0},
        {V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Automatic", 0, 1, 1, 1, {}, 0, 0},
        {V4L2_CID_POWER_LINE_FREQUENCY,
         V4L2_CTRL_TYPE_MENU,
         "Power Line Frequency",
         0,
         2,
         1,
         1,
         {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}},
         0,
         0},
        {V4L2_CID_WHITE_BALANCE_TEMPERATURE,
         V4L2_CTRL_TYPE_INTEGER,
         "White Balance Temperature",
         2800,
         6500,
         10,
         kNeutralTemperature,
         {},
         V4L2_CID_AUTO_WHITE_BALANCE,
         0},
        {V4L2_CID_EXPOSURE_AUTO,
         V4L2_CTRL_TYPE_MENU,
         "Auto Exposure",
         0,
         3,
         1,
         V4L2_EXPOSURE_APERTURE_PRIORITY,
         {{V4L2_EXPOSURE_MANUAL, "Manual Mode"}, {V4L2_EXPOSURE_APERTURE_PRIORITY, "Aperture Priority Mode"}},
         0,
         0},
        {V4L2_CID_EXPOSURE_ABSOLUTE,
         V4L2_CTRL_TYPE_INTEGER,
         "Exposure Time, Absolute",
         100,
         1000,
         1,
         kNeutralExposure,
         {},
         V4L2_CID_EXPOSURE_AUTO,
         V4L2_EXPOSURE_MANUAL},
    };
}

TestSceneControls::Control* TestSceneControls::find(uint32_t id) {
    auto it = std::find_if(m_controls.begin(), m_controls.end(), [id](const Control& c) { return c.id == id; });
    return it == m_controls.end() ? nullptr : &*it;
}

const TestSceneControls::Control* TestSceneControls::find(uint32_t id) const {
    return const_cast<TestSceneControls*>(this)->find(id);
}

bool TestSceneControls::governed(const Control& c) const {
    const Control* mode = c.governor ? find(c.governor) : nullptr;
    return mode && mode->value != c.manualValue;
}

int32_t TestSceneControls::current(const Control& c, int64_t nowNs) const {
    if (!governed(c)) return c.value;
    if (c.id == V4L2_CID_EXPOSURE_ABSOLUTE) return Drift(kNeutralExposure, 140, kDriftPeriodNs, nowNs);
    return Drift(kNeutralTemperature, 700, kDriftPeriodNs * 7 / 4, nowNs);
}

SceneLook TestSceneControls::lookAt(int64_t nowNs) const {
    std::lock_guard lock(m_mutex);
    SceneLook look;
    look.brightness = find(V4L2_CID_BRIGHTNESS)->value;
    look.gainPermille = current(*find(V4L2_CID_EXPOSURE_ABSOLUTE), nowNs) * 1000 / kNeutralExposure;
    // Warmer than neutral light corrected too far turns the picture blue, and the other way round.
    const int32_t warmth = (current(*find(V4L2_CID_WHITE_BALANCE_TEMPERATURE), nowNs) - kNeutralTemperature) / 8;
    look.redPermille = 1000 + warmth;
    look.bluePermille = 1000 - warmth;
    return look;
}

int TestSceneControls::open(const std::string& path, OpenMode) { return path == kNode ? kFd : Fail(ENOENT); }

int TestSceneControls::close(int fd) { return fd == kFd ? 0 : Fail(EBADF); }

int TestSceneControls::query(uint32_t id, bool extended, void* arg) const {
    const Control* c = nullptr;
    if (id & V4L2_CTRL_FLAG_NEXT_CTRL) {
        const uint32_t after = id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
        for (const Control& candidate : m_controls) {
            if (candidate.id > after && (!c || candidate.id < c->id)) c = &candidate;
        }
    } else {
        c = find(id);
    }
    if (!c) return Fail(EINVAL);
    // What an automatic mode sets keeps changing on its own while the mode is on.
    const uint32_t flags = governed(*c) ? V4L2_CTRL_FLAG_INACTIVE | V4L2_CTRL_FLAG_VOLATILE : 0;
    if (extended) {
        auto* q = static_cast<v4l2_query_ext_ctrl*>(arg);
        *q = {};
        q->id = c->id;
        q->type = c->type;
        CopyName(q->name, c->name);
        q->minimum = c->minimum;
        q->maximum = c->maximum;
        q->step = uint64_t(c->step);
        q->default_value = c->defaultValue;
        q->flags = flags;
        q->elems = 1;
        q->elem_size = 4;
        return 0;
    }
    auto* q = static_cast<v4l2_queryctrl*>(arg);
    *q = {};
    q->id = c->id;
    q->type = c->type;
    CopyName(reinterpret_cast<char(&)[32]>(q->name), c->name);
    q->minimum = c->minimum;
    q->maximum = c->maximum;
    q->step = c->step;
    q->default_value = c->defaultValue;
    q->flags = flags;
    return 0;
}

int TestSceneControls::set(uint32_t id, int32_t value) {
    Control* c = find(id);
    if (!c) return Fail(EINVAL);
    if (governed(*c)) return Fail(EACCES);  // as uvcvideo refuses a value its automatic mode holds
    if (c->type == V4L2_CTRL_TYPE_MENU ? !c->menu.count(uint32_t(value)) : value < c->minimum || value > c->maximum)
        return Fail(c->type == V4L2_CTRL_TYPE_MENU ? EINVAL : ERANGE);
    // Turning an automatic mode off leaves what it governs where the mode had taken it.
    const int64_t now = MonotonicNs();
    for (Control& governedByIt : m_controls) {
        if (governedByIt.governor == id && governed(governedByIt)) governedByIt.value = current(governedByIt, now);
    }
    c->value = c->minimum + (value - c->minimum) / c->step * c->step;
    return 0;
}

int TestSceneControls::ioctl(int fd, unsigned long request, void* arg) {
    if (fd != kFd) return Fail(EBADF);
    std::lock_guard lock(m_mutex);
    switch (request) {
    case VIDIOC_QUERY_EXT_CTRL:
        return query(static_cast<v4l2_query_ext_ctrl*>(arg)->id, true, arg);
    case VIDIOC_QUERYCTRL:
        return query(static_cast<v4l2_queryctrl*>(arg)->id, false, arg);
    case VIDIOC_QUERYMENU: {
        auto* m = static_cast<v4l2_querymenu*>(arg);
        const Control* c = find(m->id);
        if (!c || !c->menu.count(m->index)) return Fail(EINVAL);
        CopyName(reinterpret_cast<char(&)[32]>(m->name), c->menu.at(m->index));
        return 0;
    }
    case VIDIOC_G_CTRL: {
        auto* v = static_cast<v4l2_control*>(arg);
        const Control* c = find(v->id);
        if (!c) return Fail(EINVAL);
        v->value = current(*c, MonotonicNs());
        return 0;
    }
    case VIDIOC_S_CTRL: {
        auto* v = static_cast<v4l2_control*>(arg);
        return set(v->id, v->value);
    }
    default:
        return Fail(ENOTTY);
    }
}

void* TestSceneControls::mmap(int, size_t, off_t) {
    errno = ENODEV;
    return MAP_FAILED;
}

int TestSceneControls::munmap(void*, size_t) { return Fail(EINVAL); }

int TestSceneControls::poll(int, short, int, short&) { return Fail(ENODEV); }

}  // namespace media
