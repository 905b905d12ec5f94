// What the Video Source dialog does, apart from its widgets: each change goes to the camera at
// once, so that the preview shows it, and into the capture window's memory of the user's
// settings; Cancel puts back the camera's values and the memory from before the dialog opened.
#pragma once

#include "media/devices/camera_controls.h"
#include "media/devices/control_memory.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace avicap32 {

class SourceSettings {
public:
    SourceSettings(std::unique_ptr<media::CameraControls> controls, media::ControlMemory& memory);

    // The camera's controls with their current values and whether they are active now.
    const std::vector<media::CameraControl>& controls() const { return m_controls->list(); }

    // Sets a control and remembers the value the camera took.
    media::Error set(uint32_t id, int32_t value);
    // Every control back to the driver's default, remembered as the user's choice.
    media::Error resetToDefaults();
    // Cancel: the values and the memory from before.
    media::Error restore();

private:
    std::unique_ptr<media::CameraControls> m_controls;
    media::ControlMemory& m_memory;
    const std::vector<media::ControlValue> m_before;
    const media::ControlMemory m_memoryBefore;
};

}  // namespace avicap32
