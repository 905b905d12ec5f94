#include "source_settings.h"

namespace avicap32 {

SourceSettings::SourceSettings(std::unique_ptr<media::CameraControls> controls, media::ControlMemory& memory)
    : m_controls(std::move(controls)), m_memory(memory), m_before(m_controls->values()), m_memoryBefore(memory) {}

media::Error SourceSettings::set(uint32_t id, int32_t value) {
    media::Error error = m_controls->set(id, value);
    if (error) return error;
    if (const media::CameraControl* control = m_controls->find(id)) m_memory.remember(id, control->value);
    return media::Error::none();
}

media::Error SourceSettings::resetToDefaults() {
    std::vector<media::ControlValue> defaults;
    for (const media::CameraControl& control : controls()) defaults.push_back({control.id, control.defaultValue});
    media::Error error = m_controls->apply(defaults);
    if (error.kind == media::ErrorKind::DeviceGone) return error;
    // What an automatic mode now governs is the mode's to set, not a value to put back later.
    for (const media::CameraControl& control : controls()) {
        if (!control.inactive) m_memory.remember(control.id, control.value);
    }
    return error;
}

media::Error SourceSettings::restore() {
    m_memory = m_memoryBefore;
    return m_controls->apply(m_before);
}

}  // namespace avicap32
