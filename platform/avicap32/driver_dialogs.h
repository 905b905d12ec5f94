// The capture driver's own dialogs, shown modally over the capture window's dialog.
#pragma once

#include "windef.h"

namespace avicap32 {

class CaptureWindow;

BOOL ShowVideoSourceDialog(CaptureWindow& window);
BOOL ShowVideoFormatDialog(CaptureWindow& window);
BOOL ShowVideoDisplayDialog(CaptureWindow& window);
BOOL ShowVideoCompressionDialog(CaptureWindow& window);

}  // namespace avicap32
