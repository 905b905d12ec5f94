#include "keys.h"

#include "window.h"
#include "winuser.h"

#include <QApplication>
#include <QKeyEvent>

namespace user32 {
namespace {

// The Qt event whose messages are being processed, and whether it is on its way back to Qt.
QKeyEvent* g_current = nullptr;
bool g_handingBack = false;

WPARAM VirtualKey(int key) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return key;
    switch (key) {
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
        return VK_MENU;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_F1:
        return VK_F1;
    default:
        return 0;
    }
}

}  // namespace

std::optional<KeyMessages> TranslateKey(const QKeyEvent& event) {
    const WPARAM virtualKey = VirtualKey(event.key());
    if (!virtualKey) return std::nullopt;
    const bool release = event.type() == QEvent::KeyRelease;
    const bool alt = event.modifiers() & Qt::AltModifier;
    // Repeat count 1; bit 29 Alt held; bit 30 key was down; bit 31 being released.
    LPARAM keyData = 1;
    if (alt) keyData |= LPARAM{1} << 29;
    if (release || event.isAutoRepeat()) keyData |= LPARAM{1} << 30;
    if (release) keyData |= LPARAM{1} << 31;
    KeyMessages messages{
        static_cast<UINT>(alt ? (release ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (release ? WM_KEYUP : WM_KEYDOWN)),
        virtualKey, keyData};
    if (!release && !event.text().isEmpty() && event.text().at(0).isPrint()) {
        messages.character = alt ? WM_SYSCHAR : WM_CHAR;
        messages.typed = event.text().at(0).unicode();
    }
    return messages;
}

bool DeliverKeyAsMessages(QKeyEvent* event, HWND dialog, HWND target) {
    if (g_handingBack) return false;
    const std::optional<KeyMessages> messages = TranslateKey(*event);
    if (!messages) return false;
    QKeyEvent* outer = g_current;
    g_current = event;
    MSG key{target, messages->key, messages->virtualKey, messages->keyData};
    IsDialogMessageW(dialog, &key);
    if (messages->character && IsWindow(target)) {
        MSG character{target, messages->character, messages->typed, messages->keyData};
        IsDialogMessageW(dialog, &character);
    }
    g_current = outer;
    // Taken once, as messages: whatever Qt made of it on the way back, it goes no further up.
    event->accept();
    return true;
}

bool ShiftHeldForCurrentKey() {
    return g_current && (g_current->key() == Qt::Key_Backtab || (g_current->modifiers() & Qt::ShiftModifier));
}

void DefaultKeyProcessing(Window* window, UINT message) {
    // The typed character came with its key event, which Qt has had already.
    if (message == WM_CHAR || message == WM_SYSCHAR) return;
    if (!g_current || !window->widget() || g_handingBack) return;
    g_handingBack = true;
    QApplication::sendEvent(window->widget(), g_current);
    g_handingBack = false;
}

}  // namespace user32
