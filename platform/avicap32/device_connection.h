// The capture window's device connection: which driver is connected and how it was chosen (driver
// 0 at start-up, the Source dialog's list), connecting it again when it is plugged back in, the
// stream it runs with, and the user's settings for it, read from the store and put back on the
// device whenever its stream starts. The capture window keeps the requests and the recording; it
// hears from here through the listener.
#pragma once

#include "capture_settings.h"
#include "drivers.h"
#include "hotplug_monitor.h"
#include "source_settings.h"

#include "media/avi/avi_writer.h"
#include "media/devices/camera_controls.h"
#include "media/devices/control_memory.h"
#include "media/devices/live_source.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace avicap32 {

class DeviceConnection {
public:
    struct Listener {
        // `driver` is about to start: whatever else is kept for it is loaded now.
        std::function<void(const CaptureDriver& driver)> choosing;
        // Its stream runs: the picture shows again.
        std::function<void()> started;
        // Nothing shows, and why.
        std::function<void(const std::string& why)> noCamera;
        // Every frame of the running stream, on the capture thread.
        media::LiveSource::FrameListener frame;
        // A failure nobody asked about (the user's settings could not be put back).
        std::function<void(const media::Error& error)> error;
        // While a recording is open, its device and format stay as they are.
        std::function<bool()> recordingOpen;
        // Every event of a connected stills camera, on the camera's worker thread.
        media::StillsCamera::EventListener stillsEvent;
    };

    DeviceConnection(CaptureSettings& store, Listener listener);
    ~DeviceConnection();
    DeviceConnection(const DeviceConnection&) = delete;
    DeviceConnection& operator=(const DeviceConnection&) = delete;

    // Connects capture driver `index`. Driver 0 is the device used last when it is present,
    // unless the environment variable names one.
    media::Error connect(unsigned index);
    // False when nothing was connected.
    bool disconnect();
    // Connects `driver` in place of the connected one (the Source dialog's list). Refused while
    // a recording is open: a recording keeps its source. If the new one cannot start, the one
    // before is connected again and the error says why.
    media::Error switchTo(const CaptureDriver& driver);

    bool connected() const { return m_connection.has_value(); }
    // The connected driver and its number; null when none is.
    const CaptureDriver* driver() const { return connected() ? &m_connection->driver : nullptr; }
    unsigned index() const { return connected() ? m_connection->index : 0; }
    media::LiveSource& live() { return m_live; }
    // The connected stills camera; null for a webcam or the test scene.
    const std::shared_ptr<media::StillsCamera>& stillsCamera() const { return m_stills; }
    // A stills camera's setting the user chose: kept for the connected camera, written again
    // whenever it is connected.
    void rememberStillsSetting(const std::string& name, const std::string& value);

    // Restarts the stream with what `wanted` gives (the rest as it is) and puts the user's
    // settings back. Refused while a recording is open: a recording keeps one format. If the
    // device refuses, it goes back to what it had. What the device set is remembered.
    media::Error setStream(const media::StreamRequest& wanted);

    // The connected device's settings, on a descriptor of their own, as the Source dialog changes
    // them: what the user sets is kept for that device, in the store and, while it is connected,
    // for putting back whenever its stream starts again. Null when nothing is connected or it
    // cannot be opened (then `error` says why).
    std::unique_ptr<SourceSettings> openSourceSettings(media::Error& error);
    const media::ControlMemory& rememberedControls() const { return m_device.controls; }

    // The codec and JPEG quality of the next recording (the compression dialog changes them);
    // kept for the connected device.
    void setCompression(media::AviVideoCodec codec, int jpegQuality);
    media::AviVideoCodec codec() const { return m_device.codec; }
    int jpegQuality() const { return m_device.jpegQuality; }
    // How wide a stills camera's frames go into the next recording (one of media::kStillsTakeWidths);
    // none for as wide as its live view. Kept for the connected device.
    std::optional<int> stillsTakeWidth() const { return m_device.stillsTakeWidth; }
    void setStillsTakeWidth(std::optional<int> width);

    // Hot-plug, on the GUI thread: a device node appeared or went away. The device that was
    // lost (or the one wanted at start-up) is connected again when it comes back.
    void deviceAdded(const std::string& node);
    void deviceRemoved(const std::string& node);
    // A USB device appeared or went away (/dev/bus/usb/BBB/DDD): a stills camera, maybe. The
    // stills camera that was lost (or wanted at start-up) is connected again when it is back.
    void usbDeviceAdded();
    void usbDeviceRemoved(const std::string& node);

private:
    std::optional<media::Error> connectIdentified(const std::vector<CaptureDriver>& drivers, const std::string& key);
    // `remember`: the device is the one to connect at the next start.
    media::Error connectDriver(const CaptureDriver& driver, unsigned index, bool remember = true);
    void identifyStillsCamera();
    void loadDeviceSettings();
    media::Error startStream();
    void restoreControls();
    std::unique_ptr<media::CameraControls> openControls(media::Error& error) const;

    struct Connection {
        unsigned index = 0;
        CaptureDriver driver;
    };
    // What the user chose for the connected device.
    struct DeviceSettings {
        media::StreamRequest stream;
        media::ControlMemory controls;
        media::AviVideoCodec codec = media::AviVideoCodec::Mjpeg;
        int jpegQuality = media::kDefaultJpegQuality;
        std::optional<int> stillsTakeWidth;
    };

    CaptureSettings& m_store;
    Listener m_listener;
    std::optional<Connection> m_connection;
    DeviceSettings m_device;
    // The device to connect when it appears: the one lost or wanted at start-up (empty: any).
    std::optional<std::string> m_awaited;
    media::LiveSource m_live;
    std::shared_ptr<media::StillsCamera> m_stills;
    std::unique_ptr<HotplugMonitor> m_hotplug;
    std::unique_ptr<HotplugMonitor> m_usbHotplug;
};

}  // namespace avicap32
