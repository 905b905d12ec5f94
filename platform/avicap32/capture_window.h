// The capture window (avicap32): a child window that shows the connected driver's live picture
// and records single frames into an AVI file, driven by WM_CAP_ requests.
#pragma once

#include "drivers.h"
#include "preview_widget.h"
#include "user32/window.h"
#include "vfw.h"

#include "media/avi/avi_writer.h"
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
    // The codec of the next recording (the compression dialog changes it).
    void setCodec(media::AviVideoCodec codec) { m_codec = codec; }
    media::AviVideoCodec codec() const { return m_codec; }
    media::LiveSource& live() { return m_live; }
    bool connected() const { return m_driver.has_value(); }

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

    // Tells the program why a request failed, through its error callback.
    void reportError(int errorId, const std::string& text);
    void reportError(const media::Error& error);

    CAPTUREPARMS m_params;
    std::optional<UINT> m_driver;
    media::LiveSource m_live;
    bool m_previewing = false;
    bool m_scale = false;
    std::wstring m_captureFile;
    CAPERRORCALLBACKW m_errorCallback = nullptr;
    media::AviVideoCodec m_codec = media::AviVideoCodec::Mjpeg;
    std::unique_ptr<media::AviWriter> m_recording;  // the open single-frame file
};

}  // namespace avicap32
