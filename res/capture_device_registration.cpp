// The program's users choose its camera with KINOREE_CAPTURE_DEVICE: the program names that
// variable to the capture driver while it starts. Linked into the program only; its own tests
// speak to a stand-in capture window.
#include "avicap32/drivers.h"

namespace {
const bool g_named = (avicap32::SetCaptureDeviceVariable("KINOREE_CAPTURE_DEVICE"), true);
}  // namespace
