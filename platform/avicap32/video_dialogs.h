// The capture driver's own dialogs, shown modally over the capture window's dialog.
#pragma once

#include "windef.h"

namespace avicap32 {

class CaptureWindow;

// The camera's settings, changed live (source_dialog.cpp).
BOOL ShowVideoSourceDialog(CaptureWindow& window);
// The picture size (format_dialog.cpp).
BOOL ShowVideoFormatDialog(CaptureWindow& window);
// The animator's view: onion skin, mirror, the large view (display_dialog.cpp).
BOOL ShowVideoDisplayDialog(CaptureWindow& window);
// The codec of the next recording (compression_dialog.cpp).
BOOL ShowVideoCompressionDialog(CaptureWindow& window);

}  // namespace avicap32
