#include "capture_status.h"

#include "winuser.h"

namespace {
std::wstring g_lastCaptureStatus;
constexpr int kStatusBox = 1010;
}  // namespace

// Called on the GUI thread, with status id 0 to clear the status.
LRESULT CALLBACK CaptureStatusCallback(HWND hWndCap, int nStatusId, LPCWSTR lpszText) {
    g_lastCaptureStatus = nStatusId != 0 && lpszText ? lpszText : L"";
    // The request is still running: the dialog's own update comes only when it returns.
    SetWindowTextW(GetDlgItem(GetParent(hWndCap), kStatusBox), g_lastCaptureStatus.c_str());
    return TRUE;
}

std::wstring TakeLastCaptureStatus() {
    std::wstring status;
    status.swap(g_lastCaptureStatus);
    return status;
}
