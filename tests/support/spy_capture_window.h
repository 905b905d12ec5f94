// A capture window for tests of the program's capture logic: it records every request with
// its arguments (and a copy of the records and paths it was handed) and answers as configured.
// Linked instead of the real capture window, it provides capCreateCaptureWindowW.
#pragma once

#include "vfw.h"

#include <string>
#include <vector>

namespace testing_support {

// What the program says at start-up when a connect fails or there is no capture window.
inline constexpr wchar_t kConnectProblem[] =
    L"There was a problem connecting to your capture device. This could be because the device is not connected or "
    L"a program using it has crashed. You need to restart your computer. Kinoree will run anyway without capture.";

struct CaptureRequest {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::vector<BYTE> record;   // the record passed with a size, as it was at the request
    std::wstring path;          // the path of a set-capture-file request
    CAPTUREPARMS parmsAtFrame;  // the parameters in force when a single frame was asked for
};

struct SpyCaptureConfig {
    bool createFails = false;  // capCreateCaptureWindowW returns no window
    BOOL connectReply = TRUE;
    // With a driver connected, a single-frame open fails when told to, with this reason;
    // without one it always fails, as the real window's does.
    BOOL openReply = TRUE;
    std::wstring openError = L"Cannot create folder /home/animator/Videos: a file of that name is in the way";
    BOOL singleFrameReply = TRUE;
    // With a failing single frame, the text the error callback is told.
    std::wstring singleFrameError = L"The disk is full.";
    // With an open file, a close that fails tells the error callback this text.
    std::wstring closeError;
    // With closeError, the close keeps the recording open (its path will not take the frames).
    bool keepOnClose = false;
    // How many save-as requests are refused before one saves the kept recording.
    int saveAsRefusals = 0;
    // What a new recording would do to the video at the capture file's path.
    LRESULT replacement = CAPFILE_REPLACE;
    // With a confirmed single frame, what the status callback is told first (nothing if empty);
    // with a failing one and no singleFrameError, all it is told (a stills camera's press).
    std::wstring singleFrameStatus;
    std::wstring captureFile = L"/home/animator/Videos/Capture.avi";
    CAPTUREPARMS parms{};  // what the window reports
};

class SpyCaptureWindow {
public:
    // Starts afresh: the next capCreateCaptureWindowW makes a spy with this configuration.
    static void reset(const SpyCaptureConfig& config = defaultConfig());
    static SpyCaptureConfig defaultConfig();
    static SpyCaptureConfig& config();
    static std::vector<CaptureRequest>& requests();
    static HWND handle();
    // The requests' message numbers, in order.
    static std::vector<UINT> messages();
    // How many single frames were confirmed (answered TRUE).
    static int confirmedFrames();
    static bool singleFrameOpen();
    // Sends its parent one of the capture window's own notifications.
    static void notify(UINT code);
    // The open recording now holds this many frames (deleted or inserted from the large view),
    // and the parent is told so.
    static void editTake(int frames);
    // A stills camera's press, answered earlier, has ended: the status callback is told why no
    // frame came (cleared when `failure` is empty), then the parent that the take holds `frames`.
    static void stillEnded(int frames, const std::wstring& failure);
    // The paths the kept recording was asked to be saved at, in order.
    static std::vector<std::wstring> savedAs();
    static bool previewing();
    // What the program's window showed in its Status box (1010) right after the status callback,
    // while the request was still running.
    static std::wstring statusShownDuringRequest();
};

}  // namespace testing_support
