// Menus behind HMENU handles: the menu bar loaded from a menu resource and the system menu.
// A Menu holds the items; Qt menus are built from it when shown, so items appended at any
// time appear the next time the menu opens.
#pragma once

#include "handle_table.h"
#include "windef.h"

#include <QMenu>
#include <QMenuBar>

#include <functional>
#include <string>
#include <vector>

namespace user32 {

struct MenuItem {
    UINT flags = 0;   // MF_STRING, MF_SEPARATOR, MF_POPUP, MF_GRAYED
    UINT_PTR id = 0;  // command identifier, or the popup's HMENU
    std::wstring text;
};

struct Menu {
    static constexpr HandleKind kHandleKind = HandleKind::Menu;
    std::vector<MenuItem> items;
};

Menu* MenuFromHandle(HMENU menu);
HMENU CreateMenuHandle();

// Builds a menu bar from a menu whose items are popups.
QMenuBar* BuildMenuBar(HMENU menu, QWidget* parent, std::function<void(UINT)> onCommand);
// Fills a Qt menu from a menu, recursively.
void FillQMenu(QMenu* target, HMENU menu, const std::function<void(UINT)>& onChoice);

// Win32 menu texts mark mnemonics with '&'; Qt uses the same mark, but escapes a literal
// ampersand the same way too, so the texts carry over as they are.
QString MenuText(const std::wstring& text);

}  // namespace user32
