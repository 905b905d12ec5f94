#include "media/stills/stills_settings.h"

#include <algorithm>
#include <cctype>

#include "media/stills/camera_error.h"

namespace media {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

bool Automatic(const std::string& value) {
    const std::string v = Lower(value);
    return v.find("auto") != std::string::npos || v == "awb" || v == "on";
}

StillsEvent Event(StillsEventKind kind, ConfigWidget setting, Error error = {}) {
    StillsEvent event;
    event.kind = kind;
    event.setting = std::move(setting);
    event.error = std::move(error);
    return event;
}

// Canon bodies take "Near 1".."Far 3" choices; others a signed range of motor steps.
std::string FocusValue(const ConfigWidget& drive, int steps) {
    const int size = std::clamp(std::abs(steps), 1, 3);
    if (drive.kind == WidgetKind::Range) {
        // Small, medium and large moves, as a Canon's three step sizes are.
        static constexpr int kMotorSteps[] = {10, 50, 200};
        return std::to_string(steps < 0 ? -kMotorSteps[size - 1] : kMotorSteps[size - 1]);
    }
    return std::string(steps < 0 ? "Near " : "Far ") + std::to_string(size);
}

}  // namespace

const std::vector<KnownStillsSetting>& KnownStillsSettings() {
    static const std::vector<KnownStillsSetting> known = {
        {StillsSetting::ExposureMode, "Exposure mode", {"autoexposuremode", "expprogram", "exposureprogram"}},
        {StillsSetting::Iso, "ISO", {"iso", "isospeed"}},
        {StillsSetting::ShutterSpeed, "Shutter speed", {"shutterspeed", "shutterspeed2", "eosshutterspeed"}},
        {StillsSetting::Aperture, "Aperture", {"aperture", "f-number", "fnumber"}},
        {StillsSetting::WhiteBalance, "White balance", {"whitebalance"}},
        {StillsSetting::PictureStyle, "Picture style", {"picturestyle", "picturecontrol", "creativestyle"}},
        {StillsSetting::ImageFormat, "Image format", {"imageformat"}},
        {StillsSetting::ImageQuality, "Image quality", {"imagequality", "jpegquality"}},
        {StillsSetting::FocusMode, "Focus mode", {"focusmode", "focusmode2"}},
    };
    return known;
}

bool FindKnownSetting(const std::string& name, StillsSetting& setting) {
    for (const KnownStillsSetting& known : KnownStillsSettings()) {
        if (std::find(known.names.begin(), known.names.end(), name) != known.names.end()) {
            setting = known.setting;
            return true;
        }
    }
    return false;
}

void RequestStillsSettings(StillsCamera& camera) {
    for (const KnownStillsSetting& known : KnownStillsSettings()) {
        // One request per setting: live view goes on between them.
        camera.post([names = known.names](GphotoIo& io) -> std::optional<StillsEvent> {
            for (const std::string& name : names) {
                ConfigWidget widget;
                if (io.getConfig(name, widget) == GP_OK) return Event(StillsEventKind::SettingRead, widget);
            }
            return std::nullopt;
        });
    }
}

void RequestSettingChange(StillsCamera& camera, const std::string& name, const std::string& value) {
    camera.post([name, value](GphotoIo& io) -> std::optional<StillsEvent> {
        ConfigWidget widget;
        widget.name = name;
        const std::string action = "set " + name + " to " + value;
        if (const int r = io.setConfig(name, value); r < GP_OK) {
            return Event(StillsEventKind::SettingFailed, widget, CameraFailure(r, action));
        }
        if (const int r = io.getConfig(name, widget); r < GP_OK) {
            return Event(StillsEventKind::SettingFailed, widget, CameraFailure(r, "read back " + name));
        }
        Error kept;
        if (widget.value != value) {
            const std::string label = widget.label.empty() ? name : widget.label;
            kept = {ErrorKind::Unsupported, "The camera kept " + label + " at " + widget.value + ", not " + value +
                                                ": its mode dial or lens may not allow it"};
        }
        return Event(StillsEventKind::SettingRead, widget, kept);
    });
}

void RequestFocusStep(StillsCamera& camera, int steps) {
    camera.post([steps](GphotoIo& io) -> std::optional<StillsEvent> {
        ConfigWidget drive;
        drive.name = "manualfocusdrive";
        const std::string action = steps < 0 ? "focus nearer" : "focus farther";
        if (const int r = io.getConfig(drive.name, drive); r < GP_OK) {
            return Event(StillsEventKind::SettingFailed, drive, CameraFailure(r, action));
        }
        if (const int r = io.setConfig(drive.name, FocusValue(drive, steps)); r < GP_OK) {
            return Event(StillsEventKind::SettingFailed, drive, CameraFailure(r, action));
        }
        return std::nullopt;
    });
}

void StillsSettingsMemory::remember(const std::string& name, const std::string& value) {
    std::erase_if(m_values, [&](const auto& kept) { return kept.first == name; });
    m_values.emplace_back(name, value);
}

void StillsSettingsMemory::applyTo(StillsCamera& camera) const {
    const auto isMode = [](const std::string& name) {
        StillsSetting setting;
        return FindKnownSetting(name, setting) && setting == StillsSetting::ExposureMode;
    };
    for (const bool modes : {true, false}) {
        for (const auto& [name, value] : m_values) {
            if (isMode(name) == modes) RequestSettingChange(camera, name, value);
        }
    }
}

StillsLockCheck CheckStillsLock(const std::vector<ConfigWidget>& settings) {
    std::vector<std::string> floating;
    bool sawExposure = false;
    for (const ConfigWidget& w : settings) {
        StillsSetting setting;
        if (!FindKnownSetting(w.name, setting)) continue;
        switch (setting) {
        case StillsSetting::ExposureMode:
            sawExposure = true;
            if (w.value != "Manual" && w.value != "M") floating.push_back("exposure mode " + w.value);
            break;
        case StillsSetting::Iso:
            if (Automatic(w.value)) floating.push_back("ISO " + w.value);
            break;
        case StillsSetting::WhiteBalance:
            if (Automatic(w.value)) floating.push_back("white balance " + w.value);
            break;
        default:
            break;
        }
    }
    StillsLockCheck check;
    if (!sawExposure) {
        check.message = "The camera does not say its exposure mode: set its mode dial to M";
        return check;
    }
    if (floating.empty()) {
        check.locked = true;
        check.message = "Exposure and white balance are fixed: every frame is shot alike";
        return check;
    }
    check.message = "Still automatic: ";
    for (size_t i = 0; i < floating.size(); ++i) check.message += (i ? ", " : "") + floating[i];
    check.message += ". Set the camera to manual exposure (M) with a fixed ISO and white balance";
    return check;
}

}  // namespace media
