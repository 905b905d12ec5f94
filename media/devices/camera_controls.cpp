#include "camera_controls.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>

#include "device_error.h"

namespace media {
namespace {

// A menu spanning more indexes than this is a driver's mistake; listing it would take ages.
constexpr int64_t kMaxMenuIndexes = 256;

// What both control queries say, the extended one and the older one drivers may have only.
struct ControlQuery {
    uint32_t id = 0;
    uint32_t type = 0;
    uint32_t flags = 0;
    uint32_t dimensions = 0;
    std::string name;
    int64_t minimum = 0;
    int64_t maximum = 0;
    uint64_t step = 0;
    int64_t defaultValue = 0;
};

std::string Text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

int32_t Narrow(int64_t v) {
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

bool QueryNext(V4l2Io& io, int fd, bool extended, uint32_t after, ControlQuery& out) {
    if (extended) {
        v4l2_query_ext_ctrl q{};
        q.id = after | V4L2_CTRL_FLAG_NEXT_CTRL;
        if (io.ioctl(fd, VIDIOC_QUERY_EXT_CTRL, &q) < 0) return false;
        out = {q.id,      q.type,    q.flags, q.nr_of_dims,   Text(q.name, sizeof q.name),
               q.minimum, q.maximum, q.step,  q.default_value};
        return true;
    }
    v4l2_queryctrl q{};
    q.id = after | V4L2_CTRL_FLAG_NEXT_CTRL;
    if (io.ioctl(fd, VIDIOC_QUERYCTRL, &q) < 0) return false;
    out = {q.id,
           q.type,
           q.flags,
           0,
           Text(reinterpret_cast<const char*>(q.name), sizeof q.name),
           q.minimum,
           q.maximum,
           static_cast<uint64_t>(q.step),
           q.default_value};
    return true;
}

std::optional<ControlKind> KindOf(uint32_t type) {
    switch (type) {
    case V4L2_CTRL_TYPE_INTEGER:
        return ControlKind::Integer;
    case V4L2_CTRL_TYPE_BOOLEAN:
        return ControlKind::Boolean;
    case V4L2_CTRL_TYPE_MENU:
        return ControlKind::Menu;
    case V4L2_CTRL_TYPE_INTEGER_MENU:
        return ControlKind::IntegerMenu;
    case V4L2_CTRL_TYPE_BITMASK:
        return ControlKind::Bitmask;
    default:  // buttons are actions, not settings; strings, 64-bit and compound values we don't show
        return std::nullopt;
    }
}

// The settings a camera user looks for live in these classes; the others are codec, flash,
// test-driver or transmitter settings.
bool IsUserFacing(uint32_t id) {
    const uint32_t cls = V4L2_CTRL_ID2WHICH(id);
    return cls == V4L2_CTRL_CLASS_USER || cls == V4L2_CTRL_CLASS_CAMERA;
}

// Automatic modes: while on, they set the manual controls they govern. Drivers flag them
// V4L2_CTRL_FLAG_UPDATE when they know, but not all do.
bool IsAutomaticMode(uint32_t id) {
    switch (id) {
    case V4L2_CID_AUTOGAIN:
    case V4L2_CID_AUTO_WHITE_BALANCE:
    case V4L2_CID_AUTO_N_PRESET_WHITE_BALANCE:
    case V4L2_CID_HUE_AUTO:
    case V4L2_CID_AUTOBRIGHTNESS:
    case V4L2_CID_EXPOSURE_AUTO:
    case V4L2_CID_FOCUS_AUTO:
    case V4L2_CID_ISO_SENSITIVITY_AUTO:
    case V4L2_CID_SCENE_MODE:
        return true;
    default:
        return false;
    }
}

}  // namespace

CameraControls::CameraControls(std::string devicePath, std::shared_ptr<V4l2Io> io)
    : m_path(std::move(devicePath)), m_io(std::move(io)) {}

CameraControls::~CameraControls() {
    if (m_fd >= 0) m_io->close(m_fd);
}

Error CameraControls::open() {
    if (m_fd >= 0) m_io->close(m_fd);
    // A plain descriptor: libv4l2 would add software controls of its own to one it converts on.
    m_fd = m_io->open(m_path, OpenMode::Query);
    if (m_fd < 0) return DeviceError(errno, m_path, "open it");
    Error e = enumerate(m_controls);
    if (e) {
        m_io->close(m_fd);
        m_fd = -1;
    }
    return e;
}

const CameraControl* CameraControls::find(uint32_t id) const {
    const auto it =
        std::find_if(m_controls.begin(), m_controls.end(), [id](const CameraControl& c) { return c.id == id; });
    return it == m_controls.end() ? nullptr : &*it;
}

std::vector<ControlValue> CameraControls::values() const {
    std::vector<ControlValue> out;
    for (const CameraControl& c : m_controls) out.push_back({c.id, c.value});
    return out;
}

Error CameraControls::enumerate(std::vector<CameraControl>& out) {
    out.clear();
    uint32_t after = 0;
    while (true) {
        ControlQuery q;
        if (!QueryNext(*m_io, m_fd, m_extendedQueries, after, q)) {
            if (errno == ENOTTY && m_extendedQueries && after == 0) {
                m_extendedQueries = false;
                continue;
            }
            // The list ends with EINVAL; a driver without controls may say ENOTTY.
            if (errno == EINVAL || errno == ENOTTY) return Error::none();
            return failure(errno, "list its settings");
        }
        if (q.id <= after)  // a driver that does not move on would keep us here
            return Error::none();
        after = q.id;

        const auto kind = KindOf(q.type);
        const uint32_t unusable = V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_WRITE_ONLY;
        if (!kind || !IsUserFacing(q.id) || (q.flags & unusable) || q.dimensions > 0) continue;
        CameraControl c;
        c.id = q.id;
        c.kind = *kind;
        c.name = q.name;
        c.minimum = Narrow(q.minimum);
        c.maximum = Narrow(q.maximum);
        c.step = c.kind == ControlKind::Integer ? Narrow(std::max<int64_t>(1, int64_t(q.step))) : 1;
        c.defaultValue = Narrow(q.defaultValue);
        c.inactive = q.flags & (V4L2_CTRL_FLAG_INACTIVE | V4L2_CTRL_FLAG_GRABBED);
        c.governsOthers = (q.flags & V4L2_CTRL_FLAG_UPDATE) || IsAutomaticMode(q.id);
        bool readable = true;
        if (Error e = readValue(c, readable)) return e;
        if (!readable) continue;
        if (c.kind == ControlKind::Menu || c.kind == ControlKind::IntegerMenu) {
            if (Error e = readItems(c)) return e;
            if (c.items.empty()) continue;
        }
        out.push_back(std::move(c));
    }
}

Error CameraControls::readValue(CameraControl& control, bool& readable) {
    v4l2_control v{};
    v.id = control.id;
    readable = m_io->ioctl(m_fd, VIDIOC_G_CTRL, &v) == 0;
    if (readable) {
        control.value = v.value;
        return Error::none();
    }
    // Only a vanished device is a failure: a control we cannot read is one we cannot show.
    return errno == ENODEV ? failure(errno, "read \"" + control.name + "\"") : Error::none();
}

Error CameraControls::readItems(CameraControl& control) {
    control.items.clear();
    const int64_t last = std::min<int64_t>(control.maximum, int64_t(control.minimum) + kMaxMenuIndexes);
    for (int64_t index = std::max(0, control.minimum); index <= last; ++index) {
        v4l2_querymenu m{};
        m.id = control.id;
        m.index = static_cast<__u32>(index);
        if (m_io->ioctl(m_fd, VIDIOC_QUERYMENU, &m) < 0) {
            if (errno == ENODEV) return failure(errno, "list the choices of \"" + control.name + "\"");
            continue;  // an index the driver leaves out of the menu
        }
        const std::string label = control.kind == ControlKind::IntegerMenu
                                      ? std::to_string(static_cast<long long>(m.value))
                                      : Text(reinterpret_cast<const char*>(m.name), sizeof m.name);
        control.items.push_back({static_cast<int32_t>(index), label});
    }
    return Error::none();
}

Error CameraControls::set(uint32_t id, int32_t value) {
    const auto control =
        std::find_if(m_controls.begin(), m_controls.end(), [id](const CameraControl& c) { return c.id == id; });
    if (control == m_controls.end() || m_fd < 0)
        return {ErrorKind::Unsupported, "The camera \"" + m_path + "\" has no such setting."};
    const std::string name = control->name;
    const bool governs = control->governsOthers;
    v4l2_control v{};
    v.id = id;
    v.value = value;
    if (m_io->ioctl(m_fd, VIDIOC_S_CTRL, &v) < 0) {
        const int err = errno;
        switch (err) {
        case EACCES:
        case EPERM:
        case EBUSY:
            return {ErrorKind::Io, "\"" + name +
                                       "\" cannot be changed now: an automatic mode or the "
                                       "running picture holds it."};
        case ERANGE:
        case EINVAL:
            return {ErrorKind::Io, "The camera does not take " + std::to_string(value) + " for \"" + name + "\"."};
        default:
            return failure(err, "change \"" + name + "\"");
        }
    }
    if (governs) return refresh();
    // The driver may round or clamp what it was given: believe what it reads back.
    bool readable = true;
    return readValue(*control, readable);
}

Error CameraControls::apply(const std::vector<ControlValue>& values) {
    Error first;
    for (const bool governing : {true, false}) {
        for (const ControlValue& v : values) {
            // Looked up afresh each time: a refresh after a governing control replaces the list.
            const CameraControl* c = find(v.id);
            if (!c || c->governsOthers != governing || c->inactive || c->value == v.value) continue;
            Error e = set(v.id, v.value);
            if (e.kind == ErrorKind::DeviceGone) return e;
            if (e && !first) first = std::move(e);
        }
    }
    return first;
}

Error CameraControls::refresh() {
    if (m_fd < 0) return {ErrorKind::Io, "The camera \"" + m_path + "\" is not open."};
    std::vector<CameraControl> fresh;
    if (Error e = enumerate(fresh)) return e;
    m_controls = std::move(fresh);
    return Error::none();
}

Error CameraControls::failure(int err, const std::string& action) const { return DeviceError(err, m_path, action); }

}  // namespace media
