// What the program tells the platform as the desktop's program, beyond its resources: the
// variable its users choose the camera with, and the desktop entry its windows belong to. Linked
// into the program only; its own tests speak to a stand-in capture window and have no desktop.
#include "program_registration.h"

namespace {
const bool g_named =
    (avicap32::SetCaptureDeviceVariable("KINOREE_CAPTURE_DEVICE"), afx::SetDesktopEntryId(DESKTOP_ENTRY_ID), true);
}  // namespace
