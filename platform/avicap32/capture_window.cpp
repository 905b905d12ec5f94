#include "capture_window.h"

#include "animator_view_private.h"
#include "display_memory.h"
#include "video_dialogs.h"
#include "shell32_private.h"
#include "media/common/monotonic_clock.h"
#include "media/stills/still_frame.h"
#include "media/view/recorded_take.h"
#include "user32_private.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QEventLoop>

#include <csignal>
#include <cstring>
#include <ctime>
#include <cwchar>

namespace avicap32 {
namespace {

// The platform's documented defaults.
CAPTUREPARMS DefaultCaptureParms() {
    CAPTUREPARMS parms{};
    parms.dwRequestMicroSecPerFrame = 66667;
    parms.fMakeUserHitOKToCapture = FALSE;
    parms.wPercentDropForError = 10;
    parms.fYield = FALSE;
    parms.dwIndexSize = 0;
    parms.wChunkGranularity = 0;
    parms.wNumVideoRequested = 5;
    parms.fCaptureAudio = FALSE;  // no audio hardware is used
    parms.wNumAudioRequested = 4;
    parms.vKeyAbort = 0x1B;  // VK_ESCAPE
    parms.fAbortLeftMouse = TRUE;
    parms.fAbortRightMouse = TRUE;
    parms.wStepCaptureAverageFrames = 5;
    parms.AVStreamMaster = AVSTREAMMASTER_AUDIO;
    return parms;
}

int ErrorIdFor(media::ErrorKind kind) {
    switch (kind) {
    case media::ErrorKind::DiskFull:
        return IDS_CAP_NODISKSPACE;
    case media::ErrorKind::FileTooLarge:
        return IDS_CAP_SETFILESIZE;
    case media::ErrorKind::CannotCreate:
        return IDS_CAP_CANTOPEN;
    case media::ErrorKind::DeviceGone:
    case media::ErrorKind::DeviceBusy:
    case media::ErrorKind::Unsupported:
        return IDS_CAP_DRIVER_ERROR;
    default:
        return IDS_CAP_WRITEERROR;
    }
}

// A single frame waits at most this long for a frame that began after the press.
std::chrono::milliseconds FrameWaitTimeout(const media::StreamFormat& format) {
    uint32_t denominator = std::max<uint32_t>(format.frameIntervalDenominator, 1);
    auto interval = std::chrono::milliseconds(1000ull * format.frameIntervalNumerator / denominator);
    return std::max(std::chrono::milliseconds(2000), interval * 3);
}

// The frames of the video at `path` before a new take replaces it, which its stills follow; none
// when nothing readable is there.
uint64_t FramesAt(const std::string& path) {
    media::RecordedTake take;
    return take.open(path) ? 0 : take.frameCount();
}

// Whether stills are kept beside the video at `path`, or a change to them was cut short.
bool StillsBeside(const std::string& path) {
    const std::string folder = media::StillsFolderPath(path);
    for (const char* suffix : {"", ".unfinished", ".journal"}) {
        if (QFileInfo::exists(QString::fromStdString(folder + suffix))) return true;
    }
    return false;
}

}  // namespace

CaptureWindow::CaptureWindow(QWidget* parent, DWORD style, int id)
    : Window(new PreviewWidget(parent), style, 0, id),
      m_params(DefaultCaptureParms()),
      m_captureFile(defaultCaptureFile()),
      m_view(
          preview(), [this] { return m_params.dwRequestMicroSecPerFrame; }, [this] { return readTake(); }),
      m_device(m_settings,
               DeviceConnection::Listener{
                   .choosing = [this](const CaptureDriver& driver) { showDeviceDisplay(driver); },
                   .started = [this] { preview()->setMessage(QString()); },
                   .noCamera = [this](const std::string& why) { showNoCamera(why); },
                   .frame = [this](const std::shared_ptr<const media::Frame>& frame) { m_view.offerFrame(frame); },
                   .error = [this](const media::Error& error) { reportError(error); },
                   .recordingOpen = [this] { return recording(); },
                   .stillsEvent = [this](const media::StillsEvent& event) { stillsCameraEvent(event); },
               }),
      m_live(m_device.live()) {
    m_view.setTakeControl(this);
    preview()->setDoubleClickListener([this] { m_view.raiseLargeView(); });
    RememberDisplaySettings(m_view, m_settings, preview(),
                            [this] { return connected() ? m_device.driver()->settingsKey : std::string(); });
    // A full disk or a file-size limit must fail a write, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // A take killed before its first frame left its unfinished file beside the capture file.
    media::OutputFile::removeLeftover(user32::ToUtf8(m_captureFile));
    // The take saved last is the one the animator goes on from: its last frames are the onion
    // skin, and it plays, until a new recording's first frame.
    if (QFileInfo::exists(QString::fromStdWString(m_captureFile))) {
        m_takePath = user32::ToUtf8(m_captureFile);
        m_view.takeChanged();
    }
}

// A take's recorder hands the camera's events back here: it goes before the camera does.
CaptureWindow::~CaptureWindow() { finishStills(); }

PreviewWidget* CaptureWindow::preview() const { return static_cast<PreviewWidget*>(widget()); }

std::wstring CaptureWindow::defaultCaptureFile() {
    QDir videos(QString::fromStdWString(shell32::VideosFolder()));
    return videos.filePath(QStringLiteral("Capture.avi")).toStdWString();
}

LRESULT CaptureWindow::classProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CAP_SET_CALLBACK_ERRORW:
        m_errorCallback = reinterpret_cast<CAPERRORCALLBACKW>(lParam);
        return TRUE;
    case WM_CAP_SET_CALLBACK_STATUSW:
        m_statusCallback = reinterpret_cast<CAPSTATUSCALLBACKW>(lParam);
        return TRUE;
    case WM_CAP_DRIVER_CONNECT:
        return connect(static_cast<UINT>(wParam));
    case WM_CAP_DRIVER_DISCONNECT:
        return m_device.disconnect();
    case WM_CAP_DRIVER_GET_CAPS:
        return getCaps(wParam, lParam);
    case WM_CAP_DRIVER_GET_NAMEW: {
        if (!connected() || !lParam || wParam == 0) return FALSE;
        user32::CopyTruncated(user32::FromUtf8(m_device.driver()->name), reinterpret_cast<LPWSTR>(lParam), wParam);
        return TRUE;
    }
    case WM_CAP_GET_SEQUENCE_SETUP:
        return getSequenceSetup(wParam, lParam);
    case WM_CAP_SET_SEQUENCE_SETUP:
        return setSequenceSetup(wParam, lParam);
    case WM_CAP_SET_PREVIEW:
        return setPreview(wParam != 0);
    case WM_CAP_SET_PREVIEWRATE:
        m_view.setRate(static_cast<int>(wParam));
        return connected();
    case WM_CAP_SET_SCALE:
        m_scale = wParam != 0;
        preview()->setScale(m_scale);
        return TRUE;
    case WM_CAP_FILE_SET_CAPTURE_FILEW:
        return setCaptureFile(reinterpret_cast<LPCWSTR>(lParam));
    case WM_CAP_FILE_GET_CAPTURE_FILEW:
        return getCaptureFile(wParam, lParam);
    case WM_CAP_SINGLE_FRAME_OPEN:
        return openSingleFrame();
    case WM_CAP_SINGLE_FRAME:
        return captureSingleFrame();
    case WM_CAP_SINGLE_FRAME_CLOSE:
        return closeSingleFrame();
    case WM_CAP_GET_STATUS:
        return getStatus(wParam, lParam);
    case WM_CAP_FILE_SAVEASW:
        return saveRecordingAs(reinterpret_cast<LPCWSTR>(lParam));
    case WM_CAP_FILE_GET_REPLACEMENT:
        return replacementOfCaptureFile();
    case WM_CAP_STOP:
        // Single-frame capture has nothing running to stop: the close finishes the file.
        return TRUE;
    case WM_CAP_DLG_VIDEOSOURCE:
        // Without a device it still opens: it is where one is chosen.
        return ShowVideoSourceDialog(*this);
    case WM_CAP_DLG_VIDEOFORMAT:
        return connected() && ShowVideoFormatDialog(*this);
    case WM_CAP_DLG_VIDEODISPLAY:
        // Opens without a camera too: the view can be set up before one is chosen.
        return ShowVideoDisplayDialog(*this);
    case WM_CAP_DLG_VIDEOCOMPRESSION:
        return connected() && ShowVideoCompressionDialog(*this);
    case WM_DESTROY:
        // Destroyed with its dialog in the middle of a recording: finish the file, lose nothing.
        closeSingleFrame();
        m_live.setFrameListener(nullptr);
        m_live.stop();
        return 0;
    default:
        if (message >= WM_CAP_START && message <= WM_CAP_FILE_GET_REPLACEMENT) {
            user32::ReportUnhandledMessage("capture request", message);
            return FALSE;
        }
        return Window::classProc(message, wParam, lParam);
    }
}

BOOL CaptureWindow::connect(UINT index) {
    if (media::Error error = m_device.connect(index)) {
        reportError(error);
        return FALSE;
    }
    return TRUE;
}

BOOL CaptureWindow::getCaps(WPARAM size, LPARAM record) {
    // Before a driver is connected the record is left as it was.
    if (!connected() || !record) return FALSE;
    CAPDRIVERCAPS caps{};
    caps.wDeviceIndex = m_device.index();
    caps.fHasOverlay = FALSE;
    caps.fHasDlgVideoSource = TRUE;
    caps.fHasDlgVideoFormat = TRUE;
    caps.fHasDlgVideoDisplay = TRUE;
    // A camera that went away without the system telling (no hot-plug event) stops its stream:
    // no frame can be taken then, so a new recording must not be offered.
    caps.fCaptureInitialized = m_live.streaming();
    caps.fDriverSuppliesPalettes = FALSE;
    std::memcpy(reinterpret_cast<void*>(record), &caps, std::min<size_t>(size, sizeof caps));
    return TRUE;
}

BOOL CaptureWindow::getSequenceSetup(WPARAM size, LPARAM record) {
    if (!record) return FALSE;
    std::memcpy(reinterpret_cast<void*>(record), &m_params, std::min<size_t>(size, sizeof m_params));
    return TRUE;
}

BOOL CaptureWindow::setSequenceSetup(WPARAM size, LPARAM record) {
    if (!record || size < sizeof(m_params)) return FALSE;
    CAPTUREPARMS requested;
    std::memcpy(&requested, reinterpret_cast<const void*>(record), sizeof requested);
    // A frame has to last some time: zero would make a video with no duration.
    if (requested.dwRequestMicroSecPerFrame == 0) return FALSE;
    m_params = requested;
    return TRUE;
}

BOOL CaptureWindow::setPreview(bool on) {
    m_previewing = on;
    preview()->setPreviewing(on);
    return TRUE;
}

BOOL CaptureWindow::setCaptureFile(LPCWSTR path) {
    if (!path || !*path) return FALSE;
    // An open recording is finished at its own path; the new one applies from the next open.
    m_captureFile = path;
    return TRUE;
}

BOOL CaptureWindow::getCaptureFile(WPARAM size, LPARAM buffer) {
    if (!buffer || size == 0) return FALSE;
    if (m_captureFile.size() + 1 > size) return FALSE;
    std::wmemcpy(reinterpret_cast<LPWSTR>(buffer), m_captureFile.c_str(), m_captureFile.size() + 1);
    return TRUE;
}

BOOL CaptureWindow::openSingleFrame() {
    if (m_recording) return TRUE;  // the program opens before every frame
    // Without a driver no frame could follow: starting the file afresh would only destroy the
    // video there.
    if (!connected()) {
        reportError(IDS_CAP_DRIVER_ERROR, "No capture device is connected.");
        return FALSE;
    }
    if (!m_live.streaming()) {
        media::Error failure = m_live.failure();
        reportError(IDS_CAP_DRIVER_ERROR, failure ? failure.message : "The capture device sends no pictures.");
        return FALSE;
    }
    const std::string path = user32::ToUtf8(m_captureFile);
    const std::shared_ptr<media::StillsCamera>& camera = m_device.stillsCamera();
    // The stills beside the video there are put in step with it first (a renumbering a kill cut
    // short finished), so that the new take sets aside exactly the old take's. A webcam's take
    // over a video without stills has none to follow.
    std::unique_ptr<media::StillsFolder> stills;
    if (camera || StillsBeside(path)) {
        stills = std::make_unique<media::StillsFolder>(path);
        // The take's folder goes beside the video, whose missing folders the recording makes.
        QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
        media::Error error = stills->recover(FramesAt(path));
        if (!error) error = stills->beginTake();
        if (error) {
            reportError(IDS_CAP_CANTOPEN, error.message);
            return FALSE;
        }
    }
    media::AviWriterOptions options;
    options.codec = m_device.codec();
    options.jpegQuality = m_device.jpegQuality();
    auto take = std::make_unique<media::TakeEditor>(options);
    take->setCopyProgress([this](uint64_t copied, uint64_t total) { reportRestore(copied, total); });
    take->setProgress([this](uint64_t done, uint64_t total) { showEditProgress(done, total); });
    media::Error error = take->open(path);
    if (error) {
        reportError(error);
        return FALSE;
    }
    m_recording = std::move(take);
    m_insertAt.reset();
    m_stillsFolder = std::move(stills);
    m_takePath = path;
    if (camera) {
        // As wide as chosen in Video Format, else as the live view the animator poses by.
        const int width = m_device.stillsTakeWidth().value_or(static_cast<int>(m_live.format().width));
        auto stillsTake = std::make_unique<StillsTake>(camera, *m_stillsFolder, *m_recording, m_takeMutex, width,
                                                       m_params.dwRequestMicroSecPerFrame,
                                                       [this](const media::PressOutcome& o) { stillRecorded(o); });
        std::lock_guard lock(m_stillsMutex);
        m_stillsTake = std::move(stillsTake);
    }
    m_view.recordingOpened();
    return TRUE;
}

BOOL CaptureWindow::captureSingleFrame() {
    if (!m_recording) {
        reportError(IDS_CAP_WRITEERROR, "Single-frame capture is not open.");
        return FALSE;
    }
    if (!connected()) {
        reportError(IDS_CAP_DRIVER_ERROR, "No capture device is connected.");
        return FALSE;
    }
    if (m_stillsTake) return pressStillsCamera();
    std::shared_ptr<const media::Frame> frame;
    media::Error error =
        m_live.waitForFrameStartedAfter(media::MonotonicNowNs(), FrameWaitTimeout(m_live.format()), frame);
    m_restoring = false;
    const size_t at = m_insertAt.value_or(m_recording->frameCount());
    if (!error) {
        // A webcam's frame at the end also keeps an older take's stills set aside.
        error = m_stillsFolder && at == m_recording->frameCount()
                    ? media::RecordFrame(*m_stillsFolder, *m_recording, *frame, m_params.dwRequestMicroSecPerFrame)
                    : m_recording->insertFrame(at, *frame, m_params.dwRequestMicroSecPerFrame);
    }
    if (error) {
        reportError(error);
        return FALSE;
    }
    if (m_insertAt) {
        // Each shot moves the insertion point along, so a run of shots goes in in order.
        m_insertAt = at + 1;
        m_view.takeChanged();
    } else {
        m_view.frameRecorded(frame);
    }
    reportNotice();
    if (m_restoring) {
        // The Status box is narrow: what happened comes first, the path is in the File Name box.
        reportStatus(IDS_CAP_STAT_FILE_RESTORE, "Capture file written back with its " +
                                                    std::to_string(m_recording->frameCount() - 1) +
                                                    " frames: it was deleted, moved or replaced.");
    }
    return TRUE;
}

// A recording whose path will not take its frames stays open with them: the close can be tried
// again, or the frames saved elsewhere.
BOOL CaptureWindow::closeSingleFrame() {
    if (!m_recording) return FALSE;
    finishStills();
    media::Error error = m_recording->close();
    if (!error) reportNotice();
    if (error && m_recording->isOpen()) {
        reportError(IDS_CAP_RECORDING_KEPT, error.message);
        return FALSE;
    }
    m_recording.reset();
    m_insertAt.reset();
    m_view.showFrame(std::nullopt);
    m_stillsFolder.reset();
    if (error) {
        reportError(error);
        return FALSE;
    }
    return TRUE;
}

// The press returns at once: the frame is confirmed, or the reason told, when the still is in.
// Only a failure is an error; a press refused while a still is taken is told as the state it is.
BOOL CaptureWindow::pressStillsCamera() {
    media::Error error = m_stillsTake->press(m_insertAt);
    if (error.kind == media::ErrorKind::DeviceBusy) {
        reportStatus(IDS_CAP_STAT_STILL, error.message);
    } else if (error) {
        reportError(error);
    } else {
        reportStatus(IDS_CAP_STAT_STILL, "Taking a still: the frame counts once it is on disk.");
    }
    return FALSE;
}

// The owner hears of every ending, a failure too: its Status still says a still is being taken.
void CaptureWindow::stillRecorded(const media::PressOutcome& outcome) {
    if (outcome.error) {
        reportStatus(IDS_CAP_STAT_STILL, "No frame was captured: " + outcome.error.message);
    } else {
        if (outcome.insertedAt) {
            // Shots at an insertion point go in in order, unless the animator has moved it meanwhile.
            if (m_insertAt == outcome.insertedAt) m_insertAt = *outcome.insertedAt + 1;
            m_view.takeChanged();
        } else {
            m_view.frameRecorded(outcome.frame);
        }
        reportStatus(0, std::string());
    }
    if (HWND parent = GetParent(handle())) {
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id(), CAPN_FRAMES_CHANGED), reinterpret_cast<LPARAM>(handle()));
    }
}

// On the camera's worker: the recorder hears of its stills, the GUI of a camera without live view.
void CaptureWindow::stillsCameraEvent(const media::StillsEvent& event) {
    {
        std::lock_guard lock(m_stillsMutex);
        if (m_stillsTake) m_stillsTake->cameraEvent(event);
    }
    if (event.kind == media::StillsEventKind::SettingRead || event.kind == media::StillsEventKind::SettingFailed) {
        QMetaObject::invokeMethod(
            &m_gui,
            [this, event] {
                if (m_stillsSettingsListener) m_stillsSettingsListener(event);
            },
            Qt::QueuedConnection);
    }
    if (event.kind == media::StillsEventKind::LiveViewUnavailable) {
        QMetaObject::invokeMethod(
            &m_gui,
            [this, why = event.error.message] {
                preview()->setMessage(QString::fromStdString(why) +
                                      QStringLiteral("\nThe last still is shown in its place."));
            },
            Qt::QueuedConnection);
    }
}

// Before the take is closed or saved elsewhere: a still being taken is waited for and counted
// if it is confirmed, and the recorder lets go of the file.
void CaptureWindow::finishStills() {
    if (!m_stillsTake) return;
    if (!m_stillsTake->finish()) {
        reportStatus(IDS_CAP_STAT_STILL, "The still being taken did not come in time and is not in the video.");
    }
    std::unique_ptr<StillsTake> take;
    {
        std::lock_guard lock(m_stillsMutex);
        take = std::move(m_stillsTake);
    }
}

// The take recorded last, as far as it went, for the views to play.
std::shared_ptr<const media::RecordedTake> CaptureWindow::readTake() const {
    auto take = std::make_shared<media::RecordedTake>();
    if (m_takePath.empty() || take->open(m_takePath)) return nullptr;
    return take;
}

// The views as the user left them for this device; the large view stays open or closed as it is.
void CaptureWindow::showDeviceDisplay(const CaptureDriver& driver) {
    DisplaySettings display = m_settings.display(driver.settingsKey);
    display.largeView = m_view.settings().largeView;
    m_view.setSettings(display);
}

BOOL CaptureWindow::saveRecordingAs(LPCWSTR path) {
    if (!m_recording || !path || !*path) return FALSE;
    finishStills();
    media::Error error = m_recording->saveAs(user32::ToUtf8(path));
    if (!m_recording->isOpen()) {
        m_recording.reset();
        m_insertAt.reset();
        m_stillsFolder.reset();
    }
    if (error) {
        reportError(error);
        return FALSE;
    }
    return TRUE;
}

BOOL CaptureWindow::getStatus(WPARAM size, LPARAM record) {
    if (!record || size < sizeof(CAPSTATUS)) return FALSE;
    CAPSTATUS status{};
    if (connected()) {
        status.uiImageWidth = static_cast<UINT>(m_live.format().width);
        status.uiImageHeight = static_cast<UINT>(m_live.format().height);
    }
    status.fLiveWindow = m_previewing;
    status.fScale = m_scale;
    status.fCapFileExists = QFileInfo::exists(QString::fromStdWString(m_captureFile));
    // A stills take counts what was confirmed: its recorder may be appending meanwhile.
    if (m_stillsTake) {
        status.dwCurrentVideoFrame = static_cast<DWORD>(m_stillsTake->frames());
    } else {
        status.dwCurrentVideoFrame = static_cast<DWORD>(frameCount());
    }
    status.fCapturingNow = m_recording != nullptr;
    std::memcpy(reinterpret_cast<void*>(record), &status, sizeof status);
    return TRUE;
}

LRESULT CaptureWindow::replacementOfCaptureFile() const {
    const std::string path = user32::ToUtf8(m_captureFile);
    const LRESULT stills =
        QFileInfo(QString::fromStdString(media::StillsFolderPath(path))).isDir() ? CAPFILE_HAS_STILLS : 0;
    switch (media::OutputFile::replacementFor(path)) {
    case media::Replacement::Nothing:
        return CAPFILE_NONE;
    case media::Replacement::AfterFrame:
        return CAPFILE_REPLACE | stills;
    case media::Replacement::InPlace:
        return CAPFILE_REPLACE_IN_PLACE | stills;
    case media::Replacement::InUse:
        return CAPFILE_IN_USE;
    }
    return CAPFILE_REPLACE | stills;
}

// What the user should know of a frame or close that nonetheless succeeded.
void CaptureWindow::reportNotice() {
    if (!m_recording->notice().empty()) reportStatus(IDS_CAP_STAT_FILE_NAME_NOT_SAVED, m_recording->notice());
}

// In the preview's place, so that a window without a picture says why and what to do.
void CaptureWindow::showNoCamera(const std::string& why) {
    preview()->setMessage(QString::fromStdString(why) + QStringLiteral("\n\nTo choose a camera, press Source."));
}

void CaptureWindow::reportError(int errorId, const std::string& text) {
    m_lastError = text;
    if (m_errorCallback) m_errorCallback(handle(), errorId, user32::FromUtf8(text).c_str());
}

void CaptureWindow::reportError(const media::Error& error) { reportError(ErrorIdFor(error.kind), error.message); }

void CaptureWindow::reportStatus(int statusId, const std::string& text) {
    if (m_statusCallback) m_statusCallback(handle(), statusId, QString::fromStdString(text).toStdWString().c_str());
}

void CaptureWindow::reportRestore(uint64_t copied, uint64_t total) {
    const int64_t now = media::MonotonicNowNs();
    if (copied == 0) {
        m_restoring = true;
    } else if (now - m_lastRestoreNs < 100'000'000) {
        return;
    }
    m_lastRestoreNs = now;
    reportStatus(IDS_CAP_STAT_FILE_RESTORE, "Writing back the capture file, " +
                                                std::to_string(total ? copied * 100 / total : 100) +
                                                "%: it was deleted, moved or replaced.");
    // The copy runs inside the request: the program's window still shows what goes on.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace avicap32

// capCreateCaptureWindowW: pixel coordinates in the parent's client area.
HWND capCreateCaptureWindowW(LPCWSTR windowName, DWORD style, int x, int y, int width, int height, HWND parent,
                             int id) {
    user32::Window* parentWindow = user32::FromHandle(parent);
    QWidget* parentWidget = parentWindow ? parentWindow->clientWidget() : nullptr;
    if (parent && !parentWidget) return nullptr;
    auto window = std::make_unique<avicap32::CaptureWindow>(parentWidget, style, id);
    window->setText(windowName ? windowName : L"");
    QWidget* widget = window->widget();
    widget->setGeometry(x, y, width, height);
    widget->setVisible(style & WS_VISIBLE);
    return user32::Window::registerInHandleTable(std::move(window), parentWindow);
}

BOOL capGetDriverDescriptionW(WORD driverIndex, LPWSTR name, int nameMax, LPWSTR version, int versionMax) {
    auto drivers = avicap32::ListCaptureDrivers();
    if (driverIndex >= drivers.size()) return FALSE;
    auto copy = [](const std::string& text, LPWSTR buffer, int bufferMax) {
        if (bufferMax > 0) user32::CopyTruncated(user32::FromUtf8(text), buffer, static_cast<size_t>(bufferMax));
    };
    copy(drivers[driverIndex].name, name, nameMax);
    copy(drivers[driverIndex].version, version, versionMax);
    return TRUE;
}

BOOL capGetDefaultCaptureFileW(LPWSTR path, int pathMax) {
    std::wstring file = avicap32::CaptureWindow::defaultCaptureFile();
    if (!path || pathMax <= 0 || file.size() + 1 > static_cast<size_t>(pathMax)) return FALSE;
    std::wmemcpy(path, file.c_str(), file.size() + 1);
    return TRUE;
}
