#include "source_settings.h"

#include "media/devices/camera_lock.h"

namespace avicap32 {

SourceSettings::SourceSettings(std::unique_ptr<media::CameraControls> controls, media::ControlMemory memory, Save save)
    : m_controls(std::move(controls)),
      m_memory(memory),
      m_save(std::move(save)),
      m_before(m_controls->values()),
      m_memoryBefore(std::move(memory)) {}

void SourceSettings::remember(const std::vector<media::ControlValue>& values) {
    for (const media::ControlValue& v : values) m_memory.remember(v.id, v.value);
    if (!values.empty()) m_save(m_memory);
}

media::Error SourceSettings::set(uint32_t id, int32_t value) {
    media::Error error = m_controls->set(id, value);
    if (error) return error;
    if (const media::CameraControl* control = m_controls->find(id)) remember({{id, control->value}});
    return media::Error::none();
}

media::Error SourceSettings::resetToDefaults() {
    std::vector<media::ControlValue> defaults;
    for (const media::CameraControl& control : controls()) defaults.push_back({control.id, control.defaultValue});
    media::Error error = m_controls->apply(defaults);
    if (error.kind == media::ErrorKind::DeviceGone) return error;
    // What an automatic mode now governs is the mode's to set, not a value to put back later.
    std::vector<media::ControlValue> active;
    for (const media::CameraControl& control : controls()) {
        if (!control.inactive) active.push_back({control.id, control.value});
    }
    remember(active);
    return error;
}

bool SourceSettings::hasAutomaticModes() const { return media::HasAutomaticModes(*m_controls); }

bool SourceSettings::locked() const { return media::AutomaticModesLocked(*m_controls); }

media::Error SourceSettings::lock() {
    std::vector<media::ControlValue> settled;
    media::Error error = media::LockAutomaticModes(*m_controls, settled);
    remember(settled);
    return error;
}

media::Error SourceSettings::unlock() {
    std::vector<media::ControlValue> settled;
    media::Error error = media::UnlockAutomaticModes(*m_controls, settled);
    remember(settled);
    return error;
}

media::Error SourceSettings::restore() {
    m_memory = m_memoryBefore;
    m_save(m_memory);
    return m_controls->apply(m_before);
}

}  // namespace avicap32
