// The dialog manager's keyboard: IsDialogMessageW moves the focus with Tab and the arrows, presses
// buttons for Enter, Escape and mnemonics, and hands every other key to the focused control. Each
// control says through WM_GETDLGCODE which of those keys it keeps for itself.
#include "dialog.h"
#include "keys.h"
#include "window.h"

#include <QWidget>

#include <cwctype>
#include <vector>

namespace user32 {
namespace {

// A control the keyboard can reach: shown (as far as its own state goes) and enabled.
bool Reachable(const Window* control) {
    return control->widget() && !control->widget()->isHidden() && IsWindowEnabled(control->handle());
}

// The index of `control` among the dialog's children, or -1.
int IndexOf(const std::vector<Window*>& children, HWND control) {
    for (size_t i = 0; i < children.size(); ++i) {
        if (children[i]->handle() == control) return static_cast<int>(i);
    }
    return -1;
}

UINT DialogCode(HWND control, const MSG* message) {
    return static_cast<UINT>(SendMessageW(control, WM_GETDLGCODE, message->wParam, reinterpret_cast<LPARAM>(message)));
}

// The mnemonic of a control's text: the character after a single '&'.
wchar_t Mnemonic(const std::wstring& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] != L'&') return static_cast<wchar_t>(std::towupper(text[i + 1]));
        ++i;
    }
    return 0;
}

// The control whose mnemonic is `typed`: a button is pressed, a label moves the focus to the
// control after it, as the platform does.
bool PressMnemonic(DialogWindow* dialog, wchar_t typed) {
    const wchar_t wanted = static_cast<wchar_t>(std::towupper(typed));
    const std::vector<Window*>& children = dialog->children();
    for (size_t i = 0; i < children.size(); ++i) {
        Window* control = children[i];
        if (!Reachable(control) || Mnemonic(control->text()) != wanted) continue;
        const UINT code = static_cast<UINT>(SendMessageW(control->handle(), WM_GETDLGCODE, 0, 0));
        if (code & DLGC_BUTTON) {
            SendMessageW(control->handle(), BM_CLICK, 0, 0);
        } else if (code & DLGC_STATIC) {
            HWND next = GetNextDlgTabItem(dialog->handle(), control->handle(), FALSE);
            if (next) SendMessageW(dialog->handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
        } else {
            SendMessageW(dialog->handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control->handle()), TRUE);
        }
        return true;
    }
    return false;
}

}  // namespace
}  // namespace user32

using namespace user32;

// Tab stops in template order, wrapping; the first (or last) one when `control` is none of them.
HWND GetNextDlgTabItem(HWND dialogHandle, HWND control, BOOL previous) {
    Window* dialog = FromHandle(dialogHandle);
    if (!dialog) return nullptr;
    const std::vector<Window*>& children = dialog->children();
    const int count = static_cast<int>(children.size());
    const int start = IndexOf(children, control);
    const int step = previous ? -1 : 1;
    int index = start >= 0 ? start : (previous ? 0 : count - 1);
    for (int tried = 0; tried < count; ++tried) {
        index = (index + step + count) % count;
        Window* candidate = children[static_cast<size_t>(index)];
        if ((candidate->style() & WS_TABSTOP) && Reachable(candidate)) return candidate->handle();
    }
    return nullptr;
}

// The controls from one WS_GROUP control up to the next make a group; the arrows move within it,
// wrapping.
HWND GetNextDlgGroupItem(HWND dialogHandle, HWND control, BOOL previous) {
    Window* dialog = FromHandle(dialogHandle);
    if (!dialog) return nullptr;
    const std::vector<Window*>& children = dialog->children();
    const int at = IndexOf(children, control);
    if (at < 0) return nullptr;
    int first = at;
    while (first > 0 && !(children[static_cast<size_t>(first)]->style() & WS_GROUP)) --first;
    int last = at;
    while (last + 1 < static_cast<int>(children.size()) &&
           !(children[static_cast<size_t>(last + 1)]->style() & WS_GROUP)) {
        ++last;
    }
    const int size = last - first + 1;
    int index = at;
    for (int tried = 1; tried < size; ++tried) {
        index = first + ((index - first + (previous ? -1 : 1) + size) % size);
        Window* candidate = children[static_cast<size_t>(index)];
        if (Reachable(candidate)) return candidate->handle();
    }
    return control;
}

BOOL IsDialogMessageW(HWND dialogHandle, MSG* message) {
    DialogWindow* dialog = DialogFromHandle(dialogHandle);
    if (!dialog || !message) return FALSE;
    Window* target = FromHandle(message->hwnd);
    if (!target || (target != dialog && target->parent() != dialog)) return FALSE;
    const UINT code = target == dialog ? 0 : DialogCode(message->hwnd, message);
    switch (message->message) {
    case WM_KEYDOWN:
        if (code & DLGC_WANTALLKEYS) break;
        switch (message->wParam) {
        case VK_TAB: {
            if (code & DLGC_WANTTAB) break;
            const bool back = ShiftHeldForCurrentKey();
            HWND next = GetNextDlgTabItem(dialogHandle, message->hwnd, back);
            if (next) SendMessageW(dialogHandle, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
            return TRUE;
        }
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            if (code & DLGC_WANTARROWS) break;
            const bool back = message->wParam == VK_LEFT || message->wParam == VK_UP;
            HWND next = GetNextDlgGroupItem(dialogHandle, message->hwnd, back);
            if (next) SendMessageW(dialogHandle, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
            return TRUE;
        }
        case VK_RETURN:
            dialog->pressDefaultButton(message->hwnd);
            return TRUE;
        case VK_ESCAPE:
            SendMessageW(dialogHandle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialogHandle, IDCANCEL)));
            return TRUE;
        default:
            break;
        }
        break;
    case WM_CHAR:
        if (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) break;
        if (PressMnemonic(dialog, static_cast<wchar_t>(message->wParam))) return TRUE;
        break;
    case WM_SYSCHAR:
        if (PressMnemonic(dialog, static_cast<wchar_t>(message->wParam))) return TRUE;
        break;
    default:
        break;
    }
    SendMessageW(message->hwnd, message->message, message->wParam, message->lParam);
    return TRUE;
}
