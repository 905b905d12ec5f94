// What user32 offers the other libraries of the platform and their tests, beyond the Win32 API of
// winuser.h: the objects behind its handles, for the controls and dialogs built on them. Each
// header below stays user32's own; this one names which of them leave the library.
#pragma once

#include "../controls.h"          // controls made from templates, for the up-down control
#include "../dialog.h"            // the dialog behind an HWND, for the dialog framework
#include "../icon.h"              // the picture of an HICON, for tests of a window's icon
#include "../modal_hooks.h"       // modal loops, and the seam that answers them in tests
#include "../paint.h"             // what a paint handler drew, for tests that call one
#include "../resource_formats.h"  // dialog, menu, string and image resources as parsed
#include "../text.h"              // text copied into callers' buffers
#include "../unhandled.h"         // the report of a request nobody implements
#include "../window.h"            // the window behind an HWND, for windows of other libraries
