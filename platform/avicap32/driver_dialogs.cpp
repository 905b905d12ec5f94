#include "driver_dialogs.h"

#include "capture_window.h"
#include "driver_dialog.h"

#include <QLabel>
#include <QVBoxLayout>

namespace avicap32 {}  // namespace avicap32
