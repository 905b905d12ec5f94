#include "capture_errors.h"

namespace {
std::wstring g_lastCaptureError;
int g_lastCaptureErrorId = 0;
}  // namespace

// The capture window calls it on the GUI thread with error id 0 to clear the last error.
LRESULT CALLBACK CaptureErrorCallback(HWND, int nErrorId, LPCWSTR lpszText) {
    if (nErrorId == 0) {
        g_lastCaptureError.clear();
    } else {
        g_lastCaptureError = lpszText ? lpszText : L"";
    }
    g_lastCaptureErrorId = nErrorId;
    return TRUE;
}

std::wstring TakeLastCaptureError(int* errorId) {
    if (errorId) *errorId = g_lastCaptureErrorId;
    g_lastCaptureErrorId = 0;
    std::wstring error;
    error.swap(g_lastCaptureError);
    return error;
}
