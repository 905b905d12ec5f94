// The settings the user chose for a camera, kept so that they can be put back whenever its
// stream starts again: a driver may return to its defaults when the device is opened anew or
// set to another picture size.
#pragma once

#include <cstdint>
#include <vector>

#include "camera_controls.h"

namespace media {

class ControlMemory {
public:
    // Keeps `value` for the control, in place of what was kept for it before. The latest choice
    // comes last.
    void remember(uint32_t id, int32_t value);
    const std::vector<ControlValue>& values() const { return m_values; }
    bool empty() const { return m_values.empty(); }

    // Sets the remembered values on the camera (CameraControls::apply decides the order).
    Error applyTo(CameraControls& controls) const { return controls.apply(m_values); }

    bool operator==(const ControlMemory&) const = default;

private:
    std::vector<ControlValue> m_values;
};

}  // namespace media
