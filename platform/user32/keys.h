// Keyboard input as window messages: a Qt key event becomes WM_KEYDOWN / WM_KEYUP (WM_SYSKEY...
// with Alt) and, for a press that types, WM_CHAR (WM_SYSCHAR), which go to the dialog manager
// and then to the focused window's procedure. What a procedure leaves to the default processing
// is handed back to the control's Qt widget, so that a subclass that takes a key keeps it.
#pragma once

#include "windef.h"

#include <optional>

class QKeyEvent;

namespace user32 {

class Window;

struct KeyMessages {
    UINT key;  // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP
    WPARAM virtualKey;
    LPARAM keyData;
    UINT character = 0;  // WM_CHAR or WM_SYSCHAR, when the press types
    WPARAM typed = 0;
};

// The messages for a Qt key event, or nothing for a key with no virtual key here (Qt keeps it).
std::optional<KeyMessages> TranslateKey(const QKeyEvent& event);

// Delivers a Qt key event aimed at `target` (a dialog's control, or the dialog) as messages
// through IsDialogMessageW; returns whether it was taken as messages. While the messages run,
// the default processing of the key messages hands the event back to Qt.
bool DeliverKeyAsMessages(QKeyEvent* event, HWND dialog, HWND target);

// Whether Shift is down for the key being delivered (Shift+Tab goes back).
bool ShiftHeldForCurrentKey();

// The default processing of a key message for `window`: the Qt event behind it goes to the
// window's widget.
void DefaultKeyProcessing(Window* window, UINT message);

}  // namespace user32
