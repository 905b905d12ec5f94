// A stills camera's own settings as the Source dialog shows them: each known setting found under
// the name the body uses, written and read back (a camera may round a value, refuse it, or keep
// its own while its mode dial is not at M), focus stepped for live-view focusing, and the lock
// check that says which setting still floats. Reading and writing are requests on the camera's
// worker; their answers come back as SettingRead and SettingFailed events.
#pragma once

#include <string>
#include <vector>

#include "media/stills/stills_camera.h"

namespace media {

enum class StillsSetting {
    ExposureMode,
    Iso,
    ShutterSpeed,
    Aperture,
    WhiteBalance,
    PictureStyle,
    ImageFormat,
    ImageQuality,
    FocusMode,
};

struct KnownStillsSetting {
    StillsSetting setting;
    std::string label;               // as the dialog names it
    std::vector<std::string> names;  // what bodies call it, tried in this order
};

// Every setting the dialog offers, in the dialog's order.
const std::vector<KnownStillsSetting>& KnownStillsSettings();
// The setting a configuration name belongs to; false for names the dialog does not show.
bool FindKnownSetting(const std::string& name, StillsSetting& setting);

// Reads each known setting the camera has: one SettingRead event per setting found, under the
// first of its names the camera answers to.
void RequestStillsSettings(StillsCamera& camera);
// Writes `value` to the setting `name` and reads it back: SettingRead with what the camera now
// holds (with an Unsupported error when that is not what was asked), or SettingFailed.
void RequestSettingChange(StillsCamera& camera, const std::string& name, const std::string& value);
// Live-view focusing: `steps` -3..-1 nearer, 1..3 farther, larger steps moving further.
void RequestFocusStep(StillsCamera& camera, int steps);

// The settings the user chose for a stills camera, kept (under StillsSettingsKey) so that they
// can be written again whenever the camera is connected.
class StillsSettingsMemory {
public:
    // Keeps `value` for the setting, in place of what was kept for it before; the latest last.
    void remember(const std::string& name, const std::string& value);
    const std::vector<std::pair<std::string, std::string>>& values() const { return m_values; }
    // Writes them all (RequestSettingChange each), the exposure mode first: a body ignores
    // shutter speed and aperture until its mode dial allows them.
    void applyTo(StillsCamera& camera) const;

private:
    std::vector<std::pair<std::string, std::string>> m_values;
};

struct StillsLockCheck {
    bool locked = false;
    std::string message;  // for the dialog: all fixed, or what still floats and what to do
};
// Whether the settings read (SettingRead events' widgets) leave nothing automatic: manual
// exposure, a fixed ISO and a fixed white balance.
StillsLockCheck CheckStillsLock(const std::vector<ConfigWidget>& settings);

}  // namespace media
