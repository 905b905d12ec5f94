// Why the capture window last failed, as its error callback told it: the recording commands
// show it to the user when a frame was not captured.
#pragma once

#include "windef.h"

#include <string>

LRESULT CALLBACK CaptureErrorCallback(HWND hWndCap, int nErrorId, LPCWSTR lpszText);

// The text of the newest error since the last call, and forgets it; empty when none came. Its
// error id goes to `errorId` when given (0 when none came).
std::wstring TakeLastCaptureError(int* errorId = nullptr);
