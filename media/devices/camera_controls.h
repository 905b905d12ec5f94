// A camera's settings (brightness, exposure, white balance, focus...) as its driver describes
// them, read and changed on a descriptor of their own: they can be changed while another
// descriptor streams.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/common/frame.h"
#include "v4l2_io.h"

namespace media {

enum class ControlKind {
    Integer,      // a number from minimum to maximum in steps
    Boolean,      // on or off
    Menu,         // one of the named items
    IntegerMenu,  // one of the numbered items
    Bitmask,      // a set of bits, such as the 3A lock's: changed by the lock, not shown as such
};

struct ControlItem {
    int32_t index = 0;  // the value that chooses the item
    std::string label;  // its name, or for an integer menu its number
};

struct CameraControl {
    uint32_t id = 0;
    ControlKind kind = ControlKind::Integer;
    std::string name;
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t step = 1;
    int32_t defaultValue = 0;
    std::vector<ControlItem> items;  // menus only; indexes the driver leaves out are missing
    int32_t value = 0;
    // Shown but not changeable now: an automatic mode that governs it is on, or the driver holds
    // it while streaming.
    bool inactive = false;
    // Changing it may change other controls' values or whether they are active: an automatic
    // mode such as auto exposure.
    bool governsOthers = false;
};

struct ControlValue {
    uint32_t id = 0;
    int32_t value = 0;
    bool operator==(const ControlValue&) const = default;
};

class CameraControls {
public:
    // Nothing is opened until open().
    explicit CameraControls(std::string devicePath, std::shared_ptr<V4l2Io> io = SystemV4l2Io());
    ~CameraControls();
    CameraControls(const CameraControls&) = delete;
    CameraControls& operator=(const CameraControls&) = delete;

    // Opens the device and reads its controls.
    Error open();
    // The user-facing controls (user and camera classes) with an integer, boolean or menu value
    // the user can change, in the driver's order.
    const std::vector<CameraControl>& list() const { return m_controls; }
    const CameraControl* find(uint32_t id) const;
    // The current value of every control.
    std::vector<ControlValue> values() const;

    // Sets one control, then reads back what the driver made of it, and of every other control
    // when this one governs others.
    Error set(uint32_t id, int32_t value);
    // Sets several controls in an order the driver accepts: the ones that govern others first,
    // then the rest, leaving out those an automatic mode now governs and those already at their
    // value. Carries on past a refusal (and returns the first); stops when the device is gone.
    Error apply(const std::vector<ControlValue>& values);
    // Reads every control again, as the driver may have changed them.
    Error refresh();

private:
    Error enumerate(std::vector<CameraControl>& out);
    Error readValue(CameraControl& control, bool& readable);
    Error readItems(CameraControl& control);
    Error failure(int err, const std::string& action) const;

    std::string m_path;
    std::shared_ptr<V4l2Io> m_io;
    int m_fd = -1;
    bool m_extendedQueries = true;
    std::vector<CameraControl> m_controls;
};

}  // namespace media
