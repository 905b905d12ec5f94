// File > Set Capture File, and the choice it leaves for the end of an open recording.
#pragma once

#include "KinoreeV2Dlg.h"

// After a stop: a file chosen during the recording becomes the capture file.
void ApplyNextCaptureFile(CKinoreeV2Dlg& dialog);
