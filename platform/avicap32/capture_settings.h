// What the capture window remembers between runs: the device used last and, per device, what
// the user chose for it (camera settings, picture format, compression, display). It lives in
// the user's configuration folder ($XDG_CONFIG_HOME/<application>/capture.conf) and every change is
// written at once, so a program that is killed keeps what was chosen before.
//
// Devices are named by their settings key (media::CaptureDevice::settingsKey, or the test
// scene's), so that a camera finds its settings again on another port or /dev/videoN.
#pragma once

#include "media/avi/avi_writer.h"
#include "media/common/frame.h"
#include "media/devices/control_memory.h"

#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

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

    // The settings key of the device connected last; empty when none was.
    QString lastDevice() const;
    void setLastDevice(const QString& deviceKey);

    // Any value of one device, by name; an empty deviceKey holds values that belong to no
    // device. Invalid when never set.
    QVariant value(const QString& deviceKey, const QString& name) const;
    void setValue(const QString& deviceKey, const QString& name, const QVariant& value);
    void remove(const QString& deviceKey, const QString& name);

    // The camera settings the user set, in the order they were set.
    media::ControlMemory controls(const QString& deviceKey) const;
    void setControls(const QString& deviceKey, const media::ControlMemory& controls);

    std::optional<media::FrameSize> pictureSize(const QString& deviceKey) const;
    void setPictureSize(const QString& deviceKey, media::FrameSize size);
    std::optional<media::PixelFormat> pixelFormat(const QString& deviceKey) const;
    void setPixelFormat(const QString& deviceKey, media::PixelFormat format);
    std::optional<media::FrameInterval> frameInterval(const QString& deviceKey) const;
    void setFrameInterval(const QString& deviceKey, media::FrameInterval interval);

    std::optional<media::AviVideoCodec> codec(const QString& deviceKey) const;
    void setCodec(const QString& deviceKey, media::AviVideoCodec codec);
    std::optional<int> jpegQuality(const QString& deviceKey) const;
    void setJpegQuality(const QString& deviceKey, int quality);

    // Where the store is kept.
    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_store;
};

}  // namespace avicap32
