#include "system_menu.h"

#include "menu.h"
#include "unhandled.h"
#include "window.h"

#include <QMenu>

namespace user32 {
namespace {

HMENU CreateSystemMenu() {
    HMENU menu = CreateMenuHandle();
    AppendMenuW(menu, MF_STRING, SC_MINIMIZE, L"Mi&nimize");
    AppendMenuW(menu, MF_STRING, SC_CLOSE, L"&Close");
    return menu;
}

}  // namespace

LRESULT DefaultSystemCommand(Window* window, UINT command) {
    QWidget* topLevel = window->widget() ? window->widget()->window() : nullptr;
    switch (command & 0xFFF0) {
    case SC_MINIMIZE:
        if (topLevel) topLevel->showMinimized();
        return 0;
    case SC_RESTORE:
        if (topLevel) topLevel->showNormal();
        return 0;
    case SC_CLOSE:
        Send(window, WM_CLOSE);
        return 0;
    default:
        ReportUnhandledMessage("system command", command);
        return 0;
    }
}

UINT ShowSystemMenu(Window* window, QPoint globalPosition) {
    HMENU handle = GetSystemMenu(window->handle(), FALSE);
    if (!handle) return 0;
    UINT chosen = 0;
    QMenu popup(window->widget());
    FillQMenu(&popup, handle, [&chosen](UINT id) { chosen = id; });
    popup.exec(globalPosition);
    // Sent after the popup has closed, so that a command opening a modal dialog does not run
    // inside the menu's own loop.
    HWND target = window->handle();
    if (chosen != 0 && IsWindow(target)) SendMessageW(target, WM_SYSCOMMAND, chosen, 0);
    return chosen;
}

}  // namespace user32

// GetSystemMenu: the window's copy of the system menu, made on first use. Revert throws the
// program's additions away.
HMENU GetSystemMenu(HWND handle, BOOL revert) {
    user32::Window* window = user32::FromHandle(handle);
    if (!window || !(window->style() & WS_SYSMENU)) return nullptr;
    if (revert) {
        DestroyMenu(window->systemMenu());
        window->setSystemMenu(nullptr);
        return nullptr;
    }
    if (!window->systemMenu()) window->setSystemMenu(user32::CreateSystemMenu());
    return window->systemMenu();
}
