// What the animator's view offers the capture window (and the tests of both): the views, the
// widget each one draws in, and the settings they show the picture with.
#pragma once

#include "../animator_view.h"     // both views, fed frames and the take
#include "../display_settings.h"  // onion skin, mirror, looping, the large view
#include "../large_view.h"        // the window of its own, for tests that press its keys
#include "../preview_widget.h"    // the widget the capture window is drawn in
