// The capture window (avicap32): a child window that shows the connected driver's live picture
// and records single frames into an AVI file, driven by WM_CAP_ requests. It answers the requests
// and records; the device connection (device_connection.h) chooses and runs the device, and the
// animator's view (view/) shows the picture.
#pragma once

#include "animator_view_private.h"
#include "capture_settings.h"
#include "device_connection.h"
#include "stills_take.h"
#include "user32_private.h"
#include "vfw.h"

#include "media/avi/take_editor.h"
#include "media/stills/stills_folder.h"

#include <QObject>

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace avicap32 {

class CaptureWindow : public user32::Window, public TakeControl {
public:
    CaptureWindow(QWidget* parent, DWORD style, int id);
    ~CaptureWindow() override;

    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    PreviewWidget* preview() const;
    // The preview and the large view, with what they draw over the live picture.
    AnimatorView& view() { return m_view; }
    // The device: which is connected, its stream and what the user chose for it.
    DeviceConnection& device() { return m_device; }
    bool connected() const { return m_device.connected(); }
    // A single-frame file is open.
    bool recording() const { return m_recording != nullptr; }
    bool previewing() const { return m_previewing; }
    bool scaled() const { return m_scale; }
    int previewRate() const { return preview()->rate(); }

    // What the window remembers between runs: the device used last and, per device (keyed by
    // its driver's settingsKey), what the user chose. The display settings go here too.
    CaptureSettings& settings() { return m_settings; }
    // Hears, on the GUI thread, what the connected stills camera says of its settings (the
    // Source dialog's page); nullptr to stop.
    void setStillsSettingsListener(std::function<void(const media::StillsEvent&)> listener) {
        m_stillsSettingsListener = std::move(listener);
    }

    // The large view's edits of the open recording (take_edits.cpp).
    bool takeOpen() const override { return m_recording != nullptr; }
    // A stills camera's frame goes into the take on a thread of its own, holding m_takeMutex.
    size_t frameCount() const override {
        std::lock_guard lock(m_takeMutex);
        return m_recording ? m_recording->frameCount() : 0;
    }
    std::optional<size_t> insertionPoint() const override { return m_insertAt; }
    media::AviVideoCodec codec() const override { return m_recording->codec(); }
    media::FrameSize frameSize() const override {
        std::lock_guard lock(m_takeMutex);
        return m_recording->frameSize();
    }
    uint64_t frameId(size_t index) const override {
        std::lock_guard lock(m_takeMutex);
        return m_recording->frameId(index);
    }
    std::vector<uint8_t> storedFrame(size_t index) const override;
    void setInsertionPoint(std::optional<size_t> at) override;
    QString shoot() override;
    QString deleteFrame(size_t index) override;
    QString undoDelete(size_t& restoredAt) override;

    // The file a new capture window records to: Capture.avi in the user's videos folder.
    static std::wstring defaultCaptureFile();

private:
    BOOL connect(UINT index);
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
    // After an edit: the program's counter and the views follow the file.
    void takeEdited();
    // While a slow edit rewrites the take: how far it has got, in the large view.
    void showEditProgress(uint64_t done, uint64_t total);
    // After an edit that showed its progress: the keys pressed meanwhile are refused, and what
    // else waited (a press in the program's window) acts on the edited take.
    void endSlowEdit();
    BOOL pressStillsCamera();
    void stillRecorded(const media::PressOutcome& outcome);
    void stillsCameraEvent(const media::StillsEvent& event);
    void finishStills();

    std::shared_ptr<const media::RecordedTake> readTake() const;
    void showDeviceDisplay(const CaptureDriver& driver);
    void showNoCamera(const std::string& why);
    // Tells the program why a request failed, through its error callback.
    void reportError(int errorId, const std::string& text);
    void reportError(const media::Error& error);
    // Tells the program what the window does of its own accord, through its status callback.
    void reportStatus(int statusId, const std::string& text);
    // The recording's file is being copied back to its path: says so, and lets the program's
    // window show it while the copy goes on.
    void reportRestore(uint64_t copied, uint64_t total);

    // Carries what other threads report to the GUI thread; what is on its way goes with it.
    QObject m_gui;
    CAPTUREPARMS m_params;
    CaptureSettings m_settings;
    bool m_previewing = false;
    bool m_scale = false;
    std::wstring m_captureFile;
    CAPERRORCALLBACKW m_errorCallback = nullptr;
    CAPSTATUSCALLBACKW m_statusCallback = nullptr;
    bool m_restoring = false;                        // a copy back to the path began during this request
    int64_t m_lastRestoreNs = 0;                     // when the copy's progress was last shown
    std::unique_ptr<media::TakeEditor> m_recording;  // the open single-frame file
    std::optional<size_t> m_insertAt;                // where the next shot goes; none for the end
    std::string m_lastError;                         // what the last failure told the program
    bool m_slowEdit = false;                         // the running edit has shown its progress
    // The recording's stills, kept in step with its frames (a webcam's take has none).
    std::unique_ptr<media::StillsFolder> m_stillsFolder;
    // A stills camera's presses into the recording; guarded by m_stillsMutex against the camera's
    // worker, which hands it the camera's events.
    std::mutex m_stillsMutex;
    mutable std::mutex m_takeMutex;
    std::unique_ptr<StillsTake> m_stillsTake;
    std::function<void(const media::StillsEvent&)> m_stillsSettingsListener;
    std::string m_takePath;  // where the last recording was opened
    AnimatorView m_view;
    // After the view, so that its stream stops before the view it feeds goes.
    DeviceConnection m_device;
    // The connected device's stream, which the recording takes its frames from.
    media::LiveSource& m_live;
};

}  // namespace avicap32
