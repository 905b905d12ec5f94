#include "capture_requests.h"

HWND g_hWndCap;
CAPDRIVERCAPS g_capDriverCaps;
CAPTUREPARMS g_captureParms;
UINT g_nDeviceIndex;

LRESULT SendCap(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(g_hWndCap)) return 0;
    return SendMessageW(g_hWndCap, message, wParam, lParam);
}
