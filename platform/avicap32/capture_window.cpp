#include "capture_window.h"

#include "driver_dialogs.h"
#include "media/common/monotonic_clock.h"
#include "user32/text.h"
#include "user32/unhandled.h"

#include <QDir>
#include <QStandardPaths>

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
    parms.vKeyAbort = 0x1B;       // VK_ESCAPE
    parms.fAbortLeftMouse = TRUE;
    parms.fAbortRightMouse = TRUE;
    parms.wStepCaptureAverageFrames = 5;
    parms.AVStreamMaster = AVSTREAMMASTER_AUDIO;
    return parms;
}

int ErrorIdFor(media::ErrorKind kind) {
    switch (kind) {
    case media::ErrorKind::DiskFull: return IDS_CAP_NODISKSPACE;
    case media::ErrorKind::FileTooLarge: return IDS_CAP_SETFILESIZE;
    case media::ErrorKind::CannotCreate: return IDS_CAP_CANTOPEN;
    case media::ErrorKind::DeviceGone:
    case media::ErrorKind::DeviceBusy:
    case media::ErrorKind::Unsupported: return IDS_CAP_DRIVER_ERROR;
    default: return IDS_CAP_WRITEERROR;
    }
}


// A single frame waits at most this long for a frame that began after the press.
std::chrono::milliseconds FrameWaitTimeout(const media::StreamFormat& format) {
    uint32_t denominator = std::max<uint32_t>(format.frameIntervalDenominator, 1);
    auto interval = std::chrono::milliseconds(1000ull * format.frameIntervalNumerator / denominator);
    return std::max(std::chrono::milliseconds(2000), interval * 3);
}

}  // namespace

CaptureWindow::CaptureWindow(QWidget* parent, DWORD style, int id)
    : Window(new PreviewWidget(parent), style, 0, id),
      m_params(DefaultCaptureParms()),
      m_captureFile(DefaultCaptureFile()) {
    // A full disk or a file-size limit must fail a write, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
}

CaptureWindow::~CaptureWindow() {
    m_live.setFrameListener(nullptr);
    m_live.stop();
}

PreviewWidget* CaptureWindow::preview() const { return static_cast<PreviewWidget*>(widget()); }

std::wstring CaptureWindow::DefaultCaptureFile() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("Capture.avi")).toStdWString();
}

LRESULT CaptureWindow::classProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CAP_SET_CALLBACK_ERRORW:
        m_errorCallback = reinterpret_cast<CAPERRORCALLBACKW>(lParam);
        return TRUE;
    case WM_CAP_DRIVER_CONNECT:
        return connect(static_cast<UINT>(wParam));
    case WM_CAP_DRIVER_DISCONNECT:
        return disconnect();
    case WM_CAP_DRIVER_GET_CAPS:
        return getCaps(wParam, lParam);
    case WM_CAP_DRIVER_GET_NAMEW: {
        if (!connected() || !lParam || wParam == 0) return FALSE;
        user32::CopyTruncated(user32::FromUtf8(m_connection->driver.name), reinterpret_cast<LPWSTR>(lParam), wParam);
        return TRUE;
    }
    case WM_CAP_GET_SEQUENCE_SETUP:
        return getSequenceSetup(wParam, lParam);
    case WM_CAP_SET_SEQUENCE_SETUP:
        return setSequenceSetup(wParam, lParam);
    case WM_CAP_SET_PREVIEW:
        return setPreview(wParam != 0);
    case WM_CAP_SET_PREVIEWRATE:
        preview()->setRate(static_cast<int>(wParam));
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
    case WM_CAP_STOP:
        // Single-frame capture has nothing running to stop: the close finishes the file.
        return TRUE;
    case WM_CAP_DLG_VIDEOSOURCE:
        return connected() && ShowVideoSourceDialog(*this);
    case WM_CAP_DLG_VIDEOFORMAT:
        return connected() && ShowVideoFormatDialog(*this);
    case WM_CAP_DLG_VIDEODISPLAY:
        return connected() && ShowVideoDisplayDialog(*this);
    case WM_CAP_DLG_VIDEOCOMPRESSION:
        return connected() && ShowVideoCompressionDialog(*this);
    case WM_DESTROY:
        // Destroyed with its dialog in the middle of a recording: finish the file, lose nothing.
        closeSingleFrame();
        m_live.setFrameListener(nullptr);
        m_live.stop();
        return 0;
    default:
        if (message >= WM_CAP_START && message <= WM_CAP_START + 0xB5) {
            user32::ReportUnhandledMessage("capture request", message);
            return FALSE;
        }
        return Window::classProc(message, wParam, lParam);
    }
}

BOOL CaptureWindow::connect(UINT index) {
    disconnect();
    auto drivers = ListCaptureDrivers();
    if (index >= drivers.size()) {
        reportError(IDS_CAP_DRIVER_ERROR, index == 0 ? "No video capture device was found."
                                                     : "There is no capture driver " + std::to_string(index) + ".");
        return FALSE;
    }
    m_connection = Connection{index, drivers[index]};
    if (media::Error error = startStream()) {
        m_connection.reset();
        reportError(error);
        return FALSE;
    }
    restoreControls();
    startPreviewFeed();
    return TRUE;
}

BOOL CaptureWindow::disconnect() {
    if (!connected()) return FALSE;
    m_live.setFrameListener(nullptr);
    m_live.stop();
    m_connection.reset();
    return TRUE;
}

CaptureWindow::DeviceSettings& CaptureWindow::remembered() {
    const CaptureDriver& driver = m_connection->driver;
    return m_remembered[driver.devicePath.empty() ? driver.name : driver.devicePath];
}

media::ControlMemory& CaptureWindow::rememberedControls() { return remembered().controls; }

std::unique_ptr<media::CameraControls> CaptureWindow::openControls(media::Error& error) const {
    error = media::Error::none();
    if (!connected() || m_connection->driver.devicePath.empty()) return nullptr;
    auto controls = std::make_unique<media::CameraControls>(m_connection->driver.devicePath, CameraIo());
    error = controls->open();
    return error ? nullptr : std::move(controls);
}

// At the size the user chose for this device, if any.
media::Error CaptureWindow::startStream() {
    std::unique_ptr<media::FrameSource> source;
    media::Error error = m_connection->driver.makeSource(remembered().size, source);
    if (!error) error = m_live.start(std::move(source));
    return error;
}

// A driver may go back to its defaults when opened or restarted: the user's settings are put
// back, automatic modes first. What the user never set is left as the camera has it.
void CaptureWindow::restoreControls() {
    if (remembered().controls.empty()) return;
    media::Error error;
    std::unique_ptr<media::CameraControls> controls = openControls(error);
    if (controls) error = remembered().controls.applyTo(*controls);
    if (error) reportError(error);
}

media::Error CaptureWindow::setPictureSize(media::FrameSize size) {
    if (!connected()) return {media::ErrorKind::Io, "No capture device is connected."};
    const media::StreamFormat current = m_live.format();
    if (m_live.streaming() && size == media::FrameSize{current.width, current.height}) return media::Error::none();
    if (m_recording) {
        return {media::ErrorKind::Unsupported,
                "The picture size cannot change while a video is being recorded: all its frames have the same "
                "size. Stop and save the video first."};
    }
    const std::optional<media::FrameSize> previous = remembered().size;
    remembered().size = size;
    media::Error error = startStream();
    if (error) {
        remembered().size = previous;
        startStream();
    } else {
        // The driver may have set another size than the one asked for: that is the one kept.
        const media::StreamFormat started = m_live.format();
        remembered().size = media::FrameSize{started.width, started.height};
    }
    restoreControls();
    return error;
}

void CaptureWindow::startPreviewFeed() {
    PreviewWidget* widget = preview();
    m_live.setFrameListener([widget](const std::shared_ptr<const media::Frame>& frame) { widget->offerFrame(frame); });
}

BOOL CaptureWindow::getCaps(WPARAM size, LPARAM record) {
    // Before a driver is connected the record is left as it was.
    if (!connected() || !record) return FALSE;
    CAPDRIVERCAPS caps{};
    caps.wDeviceIndex = m_connection->index;
    caps.fHasOverlay = FALSE;
    caps.fHasDlgVideoSource = TRUE;
    caps.fHasDlgVideoFormat = TRUE;
    caps.fHasDlgVideoDisplay = TRUE;
    caps.fCaptureInitialized = TRUE;
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
    media::AviWriterOptions options;
    options.codec = m_codec;
    auto writer = std::make_unique<media::AviWriter>(options);
    media::Error error = writer->open(user32::ToUtf8(m_captureFile));
    if (error) {
        reportError(error);
        return FALSE;
    }
    m_recording = std::move(writer);
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
    std::shared_ptr<const media::Frame> frame;
    media::Error error = m_live.waitForFrameStartedAfter(media::monotonicNowNs(), FrameWaitTimeout(m_live.format()), frame);
    if (!error) error = m_recording->appendFrame(*frame, m_params.dwRequestMicroSecPerFrame);
    if (error) {
        reportError(error);
        return FALSE;
    }
    return TRUE;
}

BOOL CaptureWindow::closeSingleFrame() {
    if (!m_recording) return FALSE;
    media::Error error = m_recording->close();
    m_recording.reset();
    if (error) {
        reportError(error);
        return FALSE;
    }
    return TRUE;
}

void CaptureWindow::reportError(int errorId, const std::string& text) {
    if (m_errorCallback) m_errorCallback(handle(), errorId, user32::FromUtf8(text).c_str());
}

void CaptureWindow::reportError(const media::Error& error) { reportError(ErrorIdFor(error.kind), error.message); }

}  // namespace avicap32

// capCreateCaptureWindowW: pixel coordinates in the parent's client area.
HWND capCreateCaptureWindowW(LPCWSTR windowName, DWORD style, int x, int y, int width, int height, HWND parent, int id) {
    user32::Window* parentWindow = user32::FromHandle(parent);
    QWidget* parentWidget = parentWindow ? parentWindow->clientWidget() : nullptr;
    if (parent && !parentWidget) return nullptr;
    auto window = std::make_unique<avicap32::CaptureWindow>(parentWidget, style, id);
    window->setText(windowName ? windowName : L"");
    QWidget* widget = window->widget();
    widget->setGeometry(x, y, width, height);
    widget->setVisible(style & WS_VISIBLE);
    return user32::Window::Register(std::move(window), parentWindow);
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
    std::wstring file = avicap32::CaptureWindow::DefaultCaptureFile();
    if (!path || pathMax <= 0 || file.size() + 1 > static_cast<size_t>(pathMax)) return FALSE;
    std::wmemcpy(path, file.c_str(), file.size() + 1);
    return TRUE;
}
