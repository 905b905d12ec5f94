// Creating and connecting the capture window, the capture defaults, and the frame interval.
#pragma once

#include "afxwin.h"

BOOL SetupCaptureWindow(CWnd* pDialog);
void SetFrameInterval(DWORD dwMicroSecPerFrame);

// The file a recording will write: the capture window's capture file, or the platform's
// default when there is no capture window.
CString CaptureFilePath();
