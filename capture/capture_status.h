// What the capture window says it does of its own accord during a request (such as writing a
// deleted capture file back to its path): shown in the Status box at once, since the request may
// take a while, and kept for the command's own Status text.
#pragma once

#include "windef.h"

#include <string>

LRESULT CALLBACK CaptureStatusCallback(HWND hWndCap, int nStatusId, LPCWSTR lpszText);

// The newest status since the last call, and forgets it; empty when none came.
std::wstring TakeLastCaptureStatus();
