// The process-wide capture state and the guarded send through which every capture request
// goes: a request reaches the capture window only while its handle is still a window, so every
// capture command is harmless when there is none.
#pragma once

#include "vfw.h"

extern HWND g_hWndCap;
extern CAPDRIVERCAPS g_capDriverCaps;
extern CAPTUREPARMS g_captureParms;
extern UINT g_nDeviceIndex;

LRESULT SendCap(UINT message, WPARAM wParam, LPARAM lParam);
