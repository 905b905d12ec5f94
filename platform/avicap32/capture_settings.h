// What the capture window remembers between runs, in one typed store: the device used last,
// per device what the user chose for it (camera settings, picture format, compression, display),
// and for all devices whether the large view is open. It lives in the user's configuration folder
// ($XDG_CONFIG_HOME/<application>/capture.conf) and every change is written at once, so a program
// that is killed keeps what was chosen before.
//
// Devices are named by their identity (media::SettingsKey, or the test scene's; CaptureDriver's
// settingsKey), so that a camera finds its settings again on another port or /dev/videoN.
#pragma once

#include "animator_view_private.h"

#include "media/avi/avi_writer.h"
#include "media/common/frame.h"
#include "media/devices/control_memory.h"
#include "media/stills/stills_settings.h"

#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <string>

namespace avicap32 {

class CaptureSettings {
public:
    // The store in the user's configuration folder.
    CaptureSettings();
    // A store in `file`, for tests.
    explicit CaptureSettings(const QString& file);
    ~CaptureSettings();
    CaptureSettings(const CaptureSettings&) = delete;
    CaptureSettings& operator=(const CaptureSettings&) = delete;

    // The identity of the device connected last; empty when none was.
    std::string lastDevice() const;
    void setLastDevice(const std::string& device);

    // The camera settings the user set, in the order they were set.
    media::ControlMemory controls(const std::string& device) const;
    void setControls(const std::string& device, const media::ControlMemory& controls);

    std::optional<media::FrameSize> pictureSize(const std::string& device) const;
    void setPictureSize(const std::string& device, media::FrameSize size);
    // A stills camera's own settings, by their names in its configuration.
    media::StillsSettingsMemory stillsSettings(const std::string& device) const;
    void setStillsSettings(const std::string& device, const media::StillsSettingsMemory& settings);
    // How wide a stills camera's frames go into the video; none for the live view's width.
    std::optional<int> stillsTakeWidth(const std::string& device) const;
    void setStillsTakeWidth(const std::string& device, std::optional<int> width);
    std::optional<media::PixelFormat> pixelFormat(const std::string& device) const;
    void setPixelFormat(const std::string& device, media::PixelFormat format);
    std::optional<media::FrameInterval> frameInterval(const std::string& device) const;
    void setFrameInterval(const std::string& device, media::FrameInterval interval);

    std::optional<media::AviVideoCodec> codec(const std::string& device) const;
    void setCodec(const std::string& device, media::AviVideoCodec codec);
    std::optional<int> jpegQuality(const std::string& device) const;
    void setJpegQuality(const std::string& device, int quality);

    // The views' settings: per device as its other settings (a camera facing the animator wants
    // its picture mirrored, another not); whether the large view is open, for all devices.
    DisplaySettings display(const std::string& device) const;
    void setDisplay(const std::string& device, const DisplaySettings& settings);

    // Gives `device` what was kept for `earlier`, another name of the same device, unless
    // something is kept for `device` already. What `earlier` kept stays.
    void adopt(const std::string& device, const std::string& earlier);

    // Where the store is kept.
    QString fileName() const;

private:
    // An empty device holds the values that belong to no device. Invalid when never set.
    QVariant value(const std::string& device, const QString& name) const;
    void setValue(const std::string& device, const QString& name, const QVariant& value);

    std::unique_ptr<QSettings> m_store;
};

}  // namespace avicap32
