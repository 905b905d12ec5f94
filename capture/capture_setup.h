// The capture set-up: what the main dialog starts with is declared beside it; the frame interval
// is the capture commands' own.
#pragma once

#include "KinoreeV2Dlg.h"

void SetFrameInterval(DWORD dwMicroSecPerFrame);
