// What the Video Source dialog does with a device's settings, apart from its widgets: each
// change goes to the device at once, so that the preview shows it, and into the memory of what
// the user set on it, which is saved at once; Cancel puts back the device's values and the
// memory from before the dialog opened.
#pragma once

#include "media/devices/camera_controls.h"
#include "media/devices/control_memory.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace avicap32 {

class SourceSettings {
public:
    using Save = std::function<void(const media::ControlMemory&)>;
    // `memory` is what the user had set on the device; `save` keeps it after every change.
    SourceSettings(std::unique_ptr<media::CameraControls> controls, media::ControlMemory memory, Save save);

    // The device's controls with their current values and whether they are active now.
    const std::vector<media::CameraControl>& controls() const { return m_controls->list(); }
    const media::CameraControl* find(uint32_t id) const { return m_controls->find(id); }

    // Sets a control and remembers the value the device took.
    media::Error set(uint32_t id, int32_t value);
    // Every control back to the driver's default, remembered as the user's choice.
    media::Error resetToDefaults();
    // The lock: automatic exposure, white balance, focus and gain off where they are, or all of
    // them running again; what they leave set is remembered.
    bool hasAutomaticModes() const;
    bool locked() const;
    media::Error lock();
    media::Error unlock();
    // Cancel: the values and the memory from before.
    media::Error restore();

private:
    void remember(const std::vector<media::ControlValue>& values);

    std::unique_ptr<media::CameraControls> m_controls;
    media::ControlMemory m_memory;
    Save m_save;
    const std::vector<media::ControlValue> m_before;
    const media::ControlMemory m_memoryBefore;
};

}  // namespace avicap32
