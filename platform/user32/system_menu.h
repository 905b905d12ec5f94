// The system menu. On Linux the window manager owns the real one and the program cannot add
// to it, so each window with a system menu gets our own: it opens with a right click on the
// window's background or with Alt+Space, holds Minimize and Close and whatever the program
// appends, and delivers the choice as WM_SYSCOMMAND.
#pragma once

#include "windef.h"

#include <QPoint>

namespace user32 {

class Window;

// What DefWindowProc does with WM_SYSCOMMAND.
LRESULT DefaultSystemCommand(Window* window, UINT command);

// Pops up the window's system menu at a global position (blocking until it closes); returns
// the command chosen, or 0 when none was. The command has been sent to the window already.
UINT ShowSystemMenu(Window* window, QPoint globalPosition);

}  // namespace user32
