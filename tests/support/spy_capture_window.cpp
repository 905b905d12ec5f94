#include "spy_capture_window.h"

#include "user32_private.h"

#include <cstring>
#include <cwchar>

namespace testing_support {
namespace {

struct SpyState {
    SpyCaptureConfig config = SpyCaptureWindow::defaultConfig();
    std::vector<CaptureRequest> requests;
    HWND handle = nullptr;
    CAPERRORCALLBACKW errorCallback = nullptr;
    CAPSTATUSCALLBACKW statusCallback = nullptr;
    std::wstring statusShown;
    std::wstring captureFile;
    bool open = false;
    bool connected = false;
    bool previewing = false;
    int confirmed = 0;
    int frames = 0;  // in the open recording
};

SpyState& State() {
    static SpyState state;
    return state;
}

class SpyWindow : public user32::Window {
public:
    explicit SpyWindow(QWidget* parent) : Window(new QWidget(parent), WS_CHILD | WS_VISIBLE, 0, 0) {}

    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message < WM_CAP_START || message > WM_CAP_FILE_GET_REPLACEMENT)
            return Window::classProc(message, wParam, lParam);
        SpyState& s = State();
        CaptureRequest request{message, wParam, lParam, {}, {}, s.config.parms};
        if ((message == WM_CAP_DRIVER_GET_CAPS || message == WM_CAP_GET_SEQUENCE_SETUP ||
             message == WM_CAP_SET_SEQUENCE_SETUP) &&
            lParam) {
            auto* bytes = reinterpret_cast<const BYTE*>(lParam);
            request.record.assign(bytes, bytes + wParam);
        }
        if ((message == WM_CAP_FILE_SET_CAPTURE_FILEW || message == WM_CAP_FILE_SAVEASW) && lParam)
            request.path = reinterpret_cast<LPCWSTR>(lParam);
        s.requests.push_back(request);

        switch (message) {
        case WM_CAP_SET_CALLBACK_ERRORW:
            s.errorCallback = reinterpret_cast<CAPERRORCALLBACKW>(lParam);
            return TRUE;
        case WM_CAP_SET_CALLBACK_STATUSW:
            s.statusCallback = reinterpret_cast<CAPSTATUSCALLBACKW>(lParam);
            return TRUE;
        case WM_CAP_DRIVER_CONNECT:
            s.connected = s.config.connectReply != FALSE;
            return s.config.connectReply;
        case WM_CAP_DRIVER_DISCONNECT:
            s.connected = false;
            return TRUE;
        case WM_CAP_DRIVER_GET_CAPS: {
            // Without a driver the record stays as it was.
            if (!s.connected || !lParam) return FALSE;
            CAPDRIVERCAPS caps{};
            caps.fCaptureInitialized = TRUE;
            std::memcpy(reinterpret_cast<void*>(lParam), &caps, std::min<size_t>(wParam, sizeof caps));
            return TRUE;
        }
        case WM_CAP_GET_SEQUENCE_SETUP:
            std::memcpy(reinterpret_cast<void*>(lParam), &s.config.parms,
                        std::min<size_t>(wParam, sizeof(CAPTUREPARMS)));
            return TRUE;
        case WM_CAP_SET_SEQUENCE_SETUP:
            std::memcpy(&s.config.parms, reinterpret_cast<const void*>(lParam),
                        std::min<size_t>(wParam, sizeof(CAPTUREPARMS)));
            return TRUE;
        case WM_CAP_SET_PREVIEW:
            s.previewing = wParam != 0;
            return TRUE;
        case WM_CAP_FILE_SET_CAPTURE_FILEW:
            s.captureFile = request.path;
            return TRUE;
        case WM_CAP_FILE_GET_CAPTURE_FILEW: {
            if (s.captureFile.size() + 1 > wParam) return FALSE;
            std::wmemcpy(reinterpret_cast<LPWSTR>(lParam), s.captureFile.c_str(), s.captureFile.size() + 1);
            return TRUE;
        }
        case WM_CAP_SINGLE_FRAME_OPEN:
            if (s.open) return TRUE;
            if (!s.connected) {
                if (s.errorCallback)
                    s.errorCallback(handle(), IDS_CAP_DRIVER_ERROR, L"No capture device is connected.");
                return FALSE;
            }
            if (!s.config.openReply) {
                if (s.errorCallback) s.errorCallback(handle(), IDS_CAP_CANTOPEN, s.config.openError.c_str());
                return FALSE;
            }
            s.open = true;
            s.frames = 0;
            return TRUE;
        case WM_CAP_SINGLE_FRAME:
            if (s.open && !s.config.singleFrameReply && s.config.singleFrameError.empty()) {
                // A stills camera's press: answered at once, no failure, what it does in Status.
                if (s.statusCallback)
                    s.statusCallback(handle(), IDS_CAP_STAT_STILL, s.config.singleFrameStatus.c_str());
                return FALSE;
            }
            if (!s.open || !s.config.singleFrameReply) {
                if (s.errorCallback) s.errorCallback(handle(), IDS_CAP_NODISKSPACE, s.config.singleFrameError.c_str());
                return FALSE;
            }
            if (!s.config.singleFrameStatus.empty() && s.statusCallback) {
                s.statusCallback(handle(), IDS_CAP_STAT_FILE_RESTORE, s.config.singleFrameStatus.c_str());
                WCHAR shown[512] = {};
                GetWindowTextW(GetDlgItem(GetParent(handle()), 1010), shown, 512);
                s.statusShown = shown;
            }
            ++s.confirmed;
            ++s.frames;
            return TRUE;
        case WM_CAP_SINGLE_FRAME_CLOSE: {
            BOOL wasOpen = s.open;
            s.open = wasOpen && s.config.keepOnClose;
            if (!wasOpen || s.config.closeError.empty()) return wasOpen;
            if (s.errorCallback) {
                s.errorCallback(handle(), s.open ? IDS_CAP_RECORDING_KEPT : IDS_CAP_WRITEERROR,
                                s.config.closeError.c_str());
            }
            return FALSE;
        }
        case WM_CAP_FILE_SAVEASW:
            if (!s.open || s.config.saveAsRefusals-- > 0) {
                if (s.errorCallback) s.errorCallback(handle(), IDS_CAP_CANTOPEN, L"Permission denied");
                return FALSE;
            }
            s.open = false;
            return TRUE;
        case WM_CAP_FILE_GET_REPLACEMENT:
            return s.config.replacement;
        case WM_CAP_GET_STATUS: {
            if (wParam < sizeof(CAPSTATUS) || !lParam) return FALSE;
            CAPSTATUS status{};
            status.fCapturingNow = s.open;
            status.dwCurrentVideoFrame = s.open ? static_cast<DWORD>(s.frames) : 0;
            std::memcpy(reinterpret_cast<void*>(lParam), &status, sizeof status);
            return TRUE;
        }
        default:
            return TRUE;
        }
    }
};

}  // namespace

SpyCaptureConfig SpyCaptureWindow::defaultConfig() {
    SpyCaptureConfig config;
    config.parms.dwRequestMicroSecPerFrame = 66667;
    config.parms.wPercentDropForError = 10;
    config.parms.fYield = TRUE;
    config.parms.wNumVideoRequested = 7;
    config.parms.fCaptureAudio = TRUE;
    config.parms.vKeyAbort = 0x1B;
    config.parms.fAbortLeftMouse = TRUE;
    config.parms.fAbortRightMouse = TRUE;
    config.parms.wStepCaptureAverageFrames = 3;
    config.parms.wChunkGranularity = 512;
    config.parms.dwAudioBufferSize = 4096;
    return config;
}

void SpyCaptureWindow::reset(const SpyCaptureConfig& config) {
    State() = SpyState{};
    State().config = config;
    State().captureFile = config.captureFile;
}

SpyCaptureConfig& SpyCaptureWindow::config() { return State().config; }
std::vector<CaptureRequest>& SpyCaptureWindow::requests() { return State().requests; }
HWND SpyCaptureWindow::handle() { return State().handle; }
int SpyCaptureWindow::confirmedFrames() { return State().confirmed; }

void SpyCaptureWindow::notify(UINT code) {
    SendMessageW(GetParent(State().handle), WM_COMMAND, MAKEWPARAM(0, code), reinterpret_cast<LPARAM>(State().handle));
}

void SpyCaptureWindow::editTake(int frames) {
    State().frames = frames;
    notify(CAPN_FRAMES_CHANGED);
}

void SpyCaptureWindow::stillEnded(int frames, const std::wstring& failure) {
    if (State().statusCallback)
        State().statusCallback(handle(), failure.empty() ? 0 : IDS_CAP_STAT_STILL, failure.c_str());
    editTake(frames);
}

bool SpyCaptureWindow::singleFrameOpen() { return State().open; }

std::vector<std::wstring> SpyCaptureWindow::savedAs() {
    std::vector<std::wstring> paths;
    for (const CaptureRequest& r : requests()) {
        if (r.message == WM_CAP_FILE_SAVEASW) paths.push_back(r.path);
    }
    return paths;
}
bool SpyCaptureWindow::previewing() { return State().previewing; }
std::wstring SpyCaptureWindow::statusShownDuringRequest() { return State().statusShown; }

std::vector<UINT> SpyCaptureWindow::messages() {
    std::vector<UINT> messages;
    for (const auto& request : State().requests) messages.push_back(request.message);
    return messages;
}

}  // namespace testing_support

using testing_support::State;

HWND capCreateCaptureWindowW(LPCWSTR, DWORD, int x, int y, int width, int height, HWND parent, int) {
    if (State().config.createFails) return nullptr;
    user32::Window* parentWindow = user32::FromHandle(parent);
    auto window = std::make_unique<testing_support::SpyWindow>(parentWindow ? parentWindow->clientWidget() : nullptr);
    window->widget()->setGeometry(x, y, width, height);
    State().handle = user32::Window::registerInHandleTable(std::move(window), parentWindow);
    return State().handle;
}

BOOL capGetDriverDescriptionW(WORD, LPWSTR, int, LPWSTR, int) { return FALSE; }

BOOL capGetDefaultCaptureFileW(LPWSTR path, int pathMax) {
    const std::wstring file = L"/home/animator/Videos/Capture.avi";
    if (static_cast<int>(file.size()) + 1 > pathMax) return FALSE;
    std::wmemcpy(path, file.c_str(), file.size() + 1);
    return TRUE;
}
