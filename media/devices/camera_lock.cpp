#include "camera_lock.h"

#include <linux/videodev2.h>

#include <algorithm>

namespace media {
namespace {

// An automatic mode, its value that means "off", and the manual value it governs (0: none).
struct AutomaticMode {
    uint32_t mode;
    int32_t off;
    uint32_t governed;
};

// Exposure first: its priority and the gain depend on it on many cameras.
constexpr AutomaticMode kModes[] = {
    {V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL, V4L2_CID_EXPOSURE_ABSOLUTE},
    // Lets the camera stretch the exposure beyond the frame period in dim light.
    {V4L2_CID_EXPOSURE_AUTO_PRIORITY, 0, 0},
    {V4L2_CID_AUTO_WHITE_BALANCE, 0, V4L2_CID_WHITE_BALANCE_TEMPERATURE},
    {V4L2_CID_AUTO_N_PRESET_WHITE_BALANCE, V4L2_WHITE_BALANCE_MANUAL, 0},
    {V4L2_CID_FOCUS_AUTO, 0, V4L2_CID_FOCUS_ABSOLUTE},
    {V4L2_CID_AUTOGAIN, 0, V4L2_CID_GAIN},
};

constexpr int32_t kAllLocks = V4L2_LOCK_EXPOSURE | V4L2_LOCK_WHITE_BALANCE | V4L2_LOCK_FOCUS;

bool Offers(const CameraControl& c, int32_t value) {
    if (c.kind == ControlKind::Menu || c.kind == ControlKind::IntegerMenu)
        return std::any_of(c.items.begin(), c.items.end(), [&](const ControlItem& i) { return i.index == value; });
    return value >= c.minimum && value <= c.maximum;
}

// A mode the lock can turn off: present, with its "off" value on offer.
const CameraControl* Lockable(const CameraControls& controls, const AutomaticMode& m) {
    const CameraControl* c = controls.find(m.mode);
    return c && Offers(*c, m.off) ? c : nullptr;
}

// The bits of the 3A lock the driver has.
const CameraControl* ThreeALock(const CameraControls& controls, int32_t& bits) {
    const CameraControl* c = controls.find(V4L2_CID_3A_LOCK);
    bits = c ? c->maximum & kAllLocks : 0;
    return bits ? c : nullptr;
}

// The value that lets a mode run again: the driver's default when that is automatic, else the
// first automatic choice it offers (exposure: aperture priority on most webcams).
int32_t AutomaticValue(const CameraControl& c, const AutomaticMode& m) {
    if (m.mode == V4L2_CID_EXPOSURE_AUTO_PRIORITY || c.defaultValue != m.off) return c.defaultValue;
    if (c.kind == ControlKind::Menu || c.kind == ControlKind::IntegerMenu) {
        for (const ControlItem& item : c.items) {
            if (item.index != m.off) return item.index;
        }
        return m.off;
    }
    return m.off == c.minimum ? c.maximum : c.minimum;
}

void Keep(Error e, Error& first) {
    if (e && !first) first = std::move(e);
}

void Settle(const CameraControls& controls, uint32_t id, std::vector<ControlValue>& settled) {
    if (const CameraControl* c = controls.find(id)) settled.push_back({id, c->value});
}

}  // namespace

bool HasAutomaticModes(const CameraControls& controls) {
    int32_t bits = 0;
    if (ThreeALock(controls, bits)) return true;
    return std::any_of(std::begin(kModes), std::end(kModes),
                       [&](const AutomaticMode& m) { return m.governed && Lockable(controls, m); });
}

bool AutomaticModesLocked(const CameraControls& controls) {
    int32_t bits = 0;
    if (const CameraControl* lock = ThreeALock(controls, bits)) return (lock->value & bits) == bits;
    bool any = false;
    for (const AutomaticMode& m : kModes) {
        const CameraControl* c = Lockable(controls, m);
        if (!c || !m.governed) continue;
        any = true;
        if (c->value != m.off) return false;
    }
    return any;
}

Error LockAutomaticModes(CameraControls& controls, std::vector<ControlValue>& settled) {
    Error first;
    int32_t bits = 0;
    if (ThreeALock(controls, bits)) {
        Keep(controls.set(V4L2_CID_3A_LOCK, bits), first);
        Settle(controls, V4L2_CID_3A_LOCK, settled);
        return first;
    }
    for (const AutomaticMode& m : kModes) {
        const CameraControl* c = Lockable(controls, m);
        if (!c) continue;
        if (c->value != m.off) {
            Error e = controls.set(m.mode, m.off);
            if (e.kind == ErrorKind::DeviceGone) return e;
            if (e) {
                Keep(std::move(e), first);
                continue;
            }
        }
        Settle(controls, m.mode, settled);
        // What the automatic mode had reached, read now that it is off, and written back.
        const CameraControl* value = m.governed ? controls.find(m.governed) : nullptr;
        if (!value || value->inactive) continue;
        Error e = controls.set(m.governed, value->value);
        if (e.kind == ErrorKind::DeviceGone) return e;
        Keep(std::move(e), first);
        Settle(controls, m.governed, settled);
    }
    return first;
}

Error UnlockAutomaticModes(CameraControls& controls, std::vector<ControlValue>& settled) {
    Error first;
    int32_t bits = 0;
    if (ThreeALock(controls, bits)) {
        Keep(controls.set(V4L2_CID_3A_LOCK, 0), first);
        Settle(controls, V4L2_CID_3A_LOCK, settled);
        return first;
    }
    for (const AutomaticMode& m : kModes) {
        const CameraControl* c = Lockable(controls, m);
        if (!c) continue;
        const int32_t automatic = AutomaticValue(*c, m);
        if (c->value != automatic) {
            Error e = controls.set(m.mode, automatic);
            if (e.kind == ErrorKind::DeviceGone) return e;
            Keep(std::move(e), first);
        }
        Settle(controls, m.mode, settled);
    }
    return first;
}

}  // namespace media
