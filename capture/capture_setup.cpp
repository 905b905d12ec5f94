#include "capture_setup.h"

#include "capture_errors.h"
#include "capture_status.h"
#include "capture_requests.h"

namespace {
constexpr DWORD kDefaultMicroSecPerFrame = 66667;  // 15 frames per second
}

BOOL SetupCaptureWindow(CWnd* pDialog) {
    g_hWndCap =
        capCreateCaptureWindowW(L"Video Window", WS_CHILD | WS_VISIBLE, 25, 25, 270, 220, pDialog->GetSafeHwnd(), 0);
    // Registered first, so that every later failure can be explained to the user.
    SendCap(WM_CAP_SET_CALLBACK_ERRORW, 0, reinterpret_cast<LPARAM>(&CaptureErrorCallback));
    SendCap(WM_CAP_SET_CALLBACK_STATUSW, 0, reinterpret_cast<LPARAM>(&CaptureStatusCallback));

    // Asked before any driver is connected: the record stays zero and driver 0 is connected.
    SendCap(WM_CAP_DRIVER_GET_CAPS, sizeof(CAPDRIVERCAPS), reinterpret_cast<LPARAM>(&g_capDriverCaps));
    g_nDeviceIndex = g_capDriverCaps.wDeviceIndex;

    BOOL connected = IsWindow(g_hWndCap) && SendCap(WM_CAP_DRIVER_CONNECT, g_nDeviceIndex, 0) != 0;
    if (!connected) {
        AfxMessageBox(
            L"There was a problem connecting to your capture device. This could be because the device is "
            L"not connected or a program using it has crashed. You need to restart your computer. Kinoree "
            L"will run anyway without capture.",
            MB_OK);
    }

    SendCap(WM_CAP_GET_SEQUENCE_SETUP, sizeof(CAPTUREPARMS), reinterpret_cast<LPARAM>(&g_captureParms));
    g_captureParms.dwRequestMicroSecPerFrame = kDefaultMicroSecPerFrame;
    g_captureParms.fYield = FALSE;
    g_captureParms.fCaptureAudio = FALSE;
    g_captureParms.wStepCaptureAverageFrames = 5;
    g_captureParms.wChunkGranularity = 0;
    SendCap(WM_CAP_SET_SEQUENCE_SETUP, sizeof(CAPTUREPARMS), reinterpret_cast<LPARAM>(&g_captureParms));

    SendCap(WM_CAP_SET_PREVIEW, TRUE, 0);
    SendCap(WM_CAP_SET_PREVIEWRATE, 100, 0);
    SendCap(WM_CAP_SET_SCALE, TRUE, 0);
    return TRUE;
}

void SetFrameInterval(DWORD dwMicroSecPerFrame) {
    SendCap(WM_CAP_GET_SEQUENCE_SETUP, sizeof(CAPTUREPARMS), reinterpret_cast<LPARAM>(&g_captureParms));
    g_captureParms.dwRequestMicroSecPerFrame = dwMicroSecPerFrame;
    SendCap(WM_CAP_SET_SEQUENCE_SETUP, sizeof(CAPTUREPARMS), reinterpret_cast<LPARAM>(&g_captureParms));
}

CString CaptureFilePath() {
    WCHAR path[4096] = {};
    if (!SendCap(WM_CAP_FILE_GET_CAPTURE_FILEW, std::size(path), reinterpret_cast<LPARAM>(path))) {
        capGetDefaultCaptureFileW(path, static_cast<int>(std::size(path)));
    }
    return CString(path);
}
