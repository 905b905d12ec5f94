// The five Video Controls buttons, which stay disabled while a recording is open: a driver
// dialog or a preview switch in the middle of a recording would change the frames under way.
#pragma once

#include "KinoreeV2Dlg.h"

void EnableVideoControls(CKinoreeV2Dlg& dialog, BOOL enable);
// A recording is open while the Video Controls are disabled: they are its only mark.
bool RecordingOpen(const CKinoreeV2Dlg& dialog);
