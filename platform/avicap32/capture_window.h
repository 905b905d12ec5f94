// The capture window (avicap32): a child window that shows the connected driver's live picture
// and records single frames into an AVI file, driven by WM_CAP_ requests.
#pragma once

#include "animator_view.h"
#include "drivers.h"
#include "preview_widget.h"
#include "user32/window.h"
#include "vfw.h"

#include "media/avi/avi_writer.h"
#include "media/devices/camera_controls.h"
#include "media/devices/control_memory.h"
#include "media/devices/live_source.h"

#include <map>
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
    // The codec of the next recording (the compression dialog changes it).
    void setCodec(media::AviVideoCodec codec) { m_codec = codec; }
    media::AviVideoCodec codec() const { return m_codec; }
    media::LiveSource& live() { return m_live; }
    bool connected() const { return m_connection.has_value(); }
    // A single-frame file is open.
    bool recording() const { return m_recording != nullptr; }
    bool previewing() const { return m_previewing; }
    bool scaled() const { return m_scale; }
    int previewRate() const { return preview()->rate(); }

    // The connected camera's settings, on a descriptor of their own; null, without an error,
    // for a source that has none (the test scene).
    std::unique_ptr<media::CameraControls> openControls(media::Error& error) const;
    // What the user set on the connected camera, put back whenever its stream starts again.
    media::ControlMemory& rememberedControls();
    // Restarts the stream at `size` (the driver may set another, which is then used) and puts
    // the user's settings back. Refused while a single-frame file is open: a recording keeps
    // one size. If the camera refuses to start at the size, it goes back to the one it had.
    media::Error setPictureSize(media::FrameSize size);

    // The file a new capture window records to: Capture.avi in the user's videos folder.
    static std::wstring DefaultCaptureFile();

private:
    BOOL connect(UINT index);
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
    void startPreviewFeed();
    media::Error startStream();
    void restoreControls();

    void showNoCamera(const std::string& why);
    // Tells the program why a request failed, through its error callback.
    void reportError(int errorId, const std::string& text);
    void reportError(const media::Error& error);

    struct Connection {
        UINT index = 0;
        CaptureDriver driver;
    };
    // What the user chose for a device, kept while the window lives (nothing goes to disk).
    struct DeviceSettings {
        std::optional<media::FrameSize> size;
        media::ControlMemory controls;
    };
    DeviceSettings& remembered();

    CAPTUREPARMS m_params;
    std::optional<Connection> m_connection;
    std::map<std::string, DeviceSettings> m_remembered;  // by device node, or name without one
    media::LiveSource m_live;
    bool m_previewing = false;
    bool m_scale = false;
    std::wstring m_captureFile;
    CAPERRORCALLBACKW m_errorCallback = nullptr;
    media::AviVideoCodec m_codec = media::AviVideoCodec::Mjpeg;
    std::unique_ptr<media::AviWriter> m_recording;  // the open single-frame file
    AnimatorView m_view;
};

}  // namespace avicap32
