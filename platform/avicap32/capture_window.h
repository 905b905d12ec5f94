// The capture window (avicap32): a child window that shows the connected driver's live picture
// and records single frames into an AVI file, driven by WM_CAP_ requests.
#pragma once

#include "animator_view.h"
#include "capture_settings.h"
#include "drivers.h"
#include "hotplug_monitor.h"
#include "preview_widget.h"
#include "source_settings.h"
#include "user32/window.h"
#include "vfw.h"

#include "media/avi/avi_writer.h"
#include "media/devices/camera_controls.h"
#include "media/devices/control_memory.h"
#include "media/devices/live_source.h"

#include <memory>
#include <optional>
#include <string>

namespace avicap32 {

class CaptureWindow : public user32::Window {
public:
    CaptureWindow(QWidget* parent, DWORD style, int id);
    ~CaptureWindow() override;

    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    PreviewWidget* preview() const;
    // The preview and the large view, with what they draw over the live picture.
    AnimatorView& view() { return m_view; }
    // The codec and JPEG quality of the next recording (the compression dialog changes them);
    // kept for the connected device.
    void setCompression(media::AviVideoCodec codec, int jpegQuality);
    media::AviVideoCodec codec() const { return m_codec; }
    int jpegQuality() const { return m_jpegQuality; }
    media::LiveSource& live() { return m_live; }
    bool connected() const { return m_connection.has_value(); }
    // The connected driver; null when none is.
    const CaptureDriver* driver() const { return connected() ? &m_connection->driver : nullptr; }
    // A single-frame file is open.
    bool recording() const { return m_recording != nullptr; }
    bool previewing() const { return m_previewing; }
    bool scaled() const { return m_scale; }
    int previewRate() const { return preview()->rate(); }

    // What the window remembers between runs: the device used last and, per device (keyed by
    // its driver's settingsKey), what the user chose. The display settings go here too.
    CaptureSettings& settings() { return m_settings; }

    // Connects `driver` in place of the connected one (the Source dialog's list). Refused while
    // a single-frame file is open: a recording keeps its source. If the new one cannot start,
    // the one before is connected again and the error says why.
    media::Error switchTo(const CaptureDriver& driver);

    // The connected device's settings, on a descriptor of their own, as the Source dialog changes
    // them: what the user sets is kept for that device, in the store and, while it is
    // connected, for putting back whenever its stream starts again. Null when nothing is
    // connected or it cannot be opened (then `error` says why).
    std::unique_ptr<SourceSettings> openSourceSettings(media::Error& error);
    const media::ControlMemory& rememberedControls() const { return m_device.controls; }
    // Restarts the stream with what `wanted` gives (the rest as it is) and puts the user's
    // settings back. Refused while a single-frame file is open: a recording keeps one format.
    // If the device refuses, it goes back to what it had. What the device set is remembered.
    media::Error setStream(const media::StreamRequest& wanted);

    // Hot-plug, on the GUI thread: a device node appeared or went away. The device that was
    // lost (or the one wanted at start-up) is connected again when it comes back.
    void deviceAdded(const std::string& node);
    void deviceRemoved(const std::string& node);

    // The file a new capture window records to: Capture.avi in the user's videos folder.
    static std::wstring defaultCaptureFile();

private:
    BOOL connect(UINT index);
    media::Error connectDriver(const CaptureDriver& driver, UINT index);
    BOOL disconnect();
    BOOL getCaps(WPARAM size, LPARAM record);
    BOOL getSequenceSetup(WPARAM size, LPARAM record);
    BOOL setSequenceSetup(WPARAM size, LPARAM record);
    BOOL setPreview(bool on);
    BOOL setCaptureFile(LPCWSTR path);
    BOOL getCaptureFile(WPARAM size, LPARAM buffer);
    BOOL openSingleFrame();
    BOOL captureSingleFrame();
    BOOL closeSingleFrame();
    BOOL getStatus(WPARAM size, LPARAM record);
    BOOL saveRecordingAs(LPCWSTR path);
    LRESULT replacementOfCaptureFile() const;
    void reportNotice();
    void startPreviewFeed();
    std::unique_ptr<media::CameraControls> openControls(media::Error& error) const;
    void loadDeviceSettings();
    media::Error startStream();
    void restoreControls();

    void showNoCamera(const std::string& why);
    // Tells the program why a request failed, through its error callback.
    void reportError(int errorId, const std::string& text);
    void reportError(const media::Error& error);
    // Tells the program what the window does of its own accord, through its status callback.
    void reportStatus(int statusId, const std::string& text);
    // The recording's file is being copied back to its path: says so, and lets the program's
    // window show it while the copy goes on.
    void reportRestore(uint64_t copied, uint64_t total);

    struct Connection {
        UINT index = 0;
        CaptureDriver driver;
    };
    // What the user chose for the connected device.
    struct DeviceSettings {
        media::StreamRequest stream;
        media::ControlMemory controls;
    };

    CAPTUREPARMS m_params;
    CaptureSettings m_settings;
    std::optional<Connection> m_connection;
    DeviceSettings m_device;
    // The device to connect when it appears: the one lost or wanted at start-up (empty: any).
    std::optional<std::string> m_awaited;
    media::LiveSource m_live;
    bool m_previewing = false;
    bool m_scale = false;
    std::wstring m_captureFile;
    CAPERRORCALLBACKW m_errorCallback = nullptr;
    CAPSTATUSCALLBACKW m_statusCallback = nullptr;
    bool m_restoring = false;     // a copy back to the path began during this request
    int64_t m_lastRestoreNs = 0;  // when the copy's progress was last shown
    media::AviVideoCodec m_codec = media::AviVideoCodec::Mjpeg;
    int m_jpegQuality = media::kDefaultJpegQuality;
    std::unique_ptr<HotplugMonitor> m_hotplug;
    std::unique_ptr<media::AviWriter> m_recording;  // the open single-frame file
    AnimatorView m_view;
};

}  // namespace avicap32
