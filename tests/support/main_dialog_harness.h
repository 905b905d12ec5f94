// The main dialog made modeless over the spy capture window, for tests of its commands: an
// application object whose main window it is (so message boxes and dialogs are owned by it), a
// fresh spy and frame counter, and the controls read and pressed as a user would.
//
// Declare the test's ScriptedModals before the harness: the set-up may already show a box.
#pragma once

#include "KinoreeV2Dlg.h"
#include "commctrl.h"
#include "single_frame_recording.h"
#include "spy_capture_window.h"
#include "user32_private.h"

#include <string>
#include <vector>

namespace testing_support {

class MainDialogHarness {
public:
    explicit MainDialogHarness(const SpyCaptureConfig& config = SpyCaptureWindow::defaultConfig()) {
        SpyCaptureWindow::reset(config);
        g_nFrameCount = 0;
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&init);
        m_app.m_pMainWnd = &dialog;
        dialog.Create(IDD_MAIN);
        // Only what the commands ask for from here on.
        SpyCaptureWindow::requests().clear();
    }
    ~MainDialogHarness() { m_app.m_pMainWnd = nullptr; }
    MainDialogHarness(const MainDialogHarness&) = delete;
    MainDialogHarness& operator=(const MainDialogHarness&) = delete;

    HWND hwnd() const { return dialog.GetSafeHwnd(); }

    // A button pressed (or Enter on it).
    void click(int id) { SendMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    // A menu item chosen.
    void command(UINT id) { SendMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void setFrameRate(int framesPerSecond) {
        SendMessageW(GetDlgItem(hwnd(), 1009), UDM_SETPOS, 0, MAKELPARAM(framesPerSecond, 0));
    }

    std::wstring text(int id) const {
        WCHAR buffer[1024] = {};
        GetWindowTextW(GetDlgItem(hwnd(), id), buffer, static_cast<int>(std::size(buffer)));
        return buffer;
    }
    bool enabled(int id) const { return IsWindowEnabled(GetDlgItem(hwnd(), id)) != FALSE; }
    // Which of the five Video Controls buttons are enabled, in the order 1002..1006.
    std::vector<bool> videoControlsEnabled() const {
        return {enabled(1002), enabled(1003), enabled(1004), enabled(1005), enabled(1006)};
    }

    // Everything a command can change that the user sees, and the capture requests.
    struct Snapshot {
        std::wstring frames, status, fileName, preview;
        std::vector<bool> controls;
        int frameCount;
        size_t requests;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot snapshot() const {
        return {text(1007),
                text(1010),
                text(1011),
                text(1002),
                videoControlsEnabled(),
                g_nFrameCount,
                SpyCaptureWindow::requests().size()};
    }

    // Whether the dialog has ended, and with which result.
    bool ended() const { return user32::DialogFromHandle(hwnd())->ended(); }
    INT_PTR result() const { return user32::DialogFromHandle(hwnd())->result(); }

private:
    CWinApp m_app;

public:
    CKinoreeV2Dlg dialog;
};

}  // namespace testing_support
