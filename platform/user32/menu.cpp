#include "menu.h"

#include "kernel32_private.h"
#include "resource_formats.h"
#include "text.h"
#include "window.h"
#include "winuser.h"

#include <algorithm>
#include <cwchar>
#include <memory>

namespace user32 {
namespace {

void AddTemplateItems(Menu& menu, const std::vector<MenuItemTemplate>& items) {
    for (const MenuItemTemplate& item : items) {
        if (item.flags & MF_POPUP) {
            HMENU popup = CreateMenuHandle();
            AddTemplateItems(*MenuFromHandle(popup), item.children);
            menu.items.push_back({item.flags, reinterpret_cast<UINT_PTR>(popup), item.text});
        } else {
            menu.items.push_back({item.flags, item.id, item.text});
        }
    }
}

}  // namespace

Menu* MenuFromHandle(HMENU handle) { return LookUpHandle<Menu>(handle); }

HMENU CreateMenuHandle() { return AddHandle<HMENU>(std::make_unique<Menu>()); }

QString MenuText(const std::wstring& text) { return ToQString(text); }

void FillQMenu(QMenu* target, HMENU handle, const std::function<void(UINT)>& onChoice) {
    Menu* menu = MenuFromHandle(handle);
    if (!menu) return;
    for (const MenuItem& item : menu->items) {
        if (item.flags & MF_SEPARATOR) {
            target->addSeparator();
        } else if (item.flags & MF_POPUP) {
            QMenu* sub = target->addMenu(MenuText(item.text));
            FillQMenu(sub, reinterpret_cast<HMENU>(item.id), onChoice);
        } else {
            QAction* action = target->addAction(MenuText(item.text));
            action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
            UINT id = static_cast<UINT>(item.id);
            QObject::connect(action, &QAction::triggered, target, [onChoice, id] { onChoice(id); });
        }
    }
}

QMenuBar* BuildMenuBar(HMENU handle, QWidget* parent, std::function<void(UINT)> onCommand) {
    Menu* menu = MenuFromHandle(handle);
    if (!menu) return nullptr;
    auto* bar = new QMenuBar(parent);
    bar->setNativeMenuBar(false);
    for (const MenuItem& item : menu->items) {
        if (item.flags & MF_POPUP) {
            QMenu* popup = bar->addMenu(MenuText(item.text));
            FillQMenu(popup, reinterpret_cast<HMENU>(item.id), onCommand);
        } else {
            QAction* action = bar->addAction(MenuText(item.text));
            UINT id = static_cast<UINT>(item.id);
            QObject::connect(action, &QAction::triggered, bar, [onCommand, id] { onCommand(id); });
        }
    }
    return bar;
}

}  // namespace user32

using user32::MenuFromHandle;

// LoadMenuW: classic menu templates of the module.
HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name) {
    auto bytes = kernel32::ResourceBytes(instance ? instance : GetModuleHandleW(nullptr), RT_MENU, name);
    auto items = user32::ParseMenuTemplate(bytes);
    if (!items) return nullptr;
    HMENU menu = user32::CreateMenuHandle();
    user32::AddTemplateItems(*MenuFromHandle(menu), *items);
    return menu;
}

BOOL IsMenu(HMENU menu) { return MenuFromHandle(menu) != nullptr; }

// DestroyMenu: the menu and its popups, as on the platform.
BOOL DestroyMenu(HMENU handle) {
    std::unique_ptr<user32::Menu> menu = user32::TakeHandle<user32::Menu>(handle);
    if (!menu) return FALSE;
    for (const user32::MenuItem& item : menu->items) {
        if (item.flags & MF_POPUP) DestroyMenu(reinterpret_cast<HMENU>(item.id));
    }
    return TRUE;
}

BOOL AppendMenuW(HMENU handle, UINT flags, UINT_PTR idNewItem, LPCWSTR text) {
    user32::Menu* menu = MenuFromHandle(handle);
    if (!menu) return FALSE;
    menu->items.push_back({flags, idNewItem, (flags & MF_SEPARATOR) || !text ? L"" : text});
    return TRUE;
}

int GetMenuItemCount(HMENU handle) {
    user32::Menu* menu = MenuFromHandle(handle);
    return menu ? static_cast<int>(menu->items.size()) : -1;
}

// GetMenuItemID: 0 for separators, -1 for popups, as on the platform.
UINT GetMenuItemID(HMENU handle, int position) {
    user32::Menu* menu = MenuFromHandle(handle);
    if (!menu || position < 0 || position >= static_cast<int>(menu->items.size())) return static_cast<UINT>(-1);
    const auto& item = menu->items[static_cast<size_t>(position)];
    if (item.flags & MF_POPUP) return static_cast<UINT>(-1);
    if (item.flags & MF_SEPARATOR) return 0;
    return static_cast<UINT>(item.id);
}

namespace {
const user32::MenuItem* FindItem(HMENU handle, UINT item, UINT flags) {
    user32::Menu* menu = MenuFromHandle(handle);
    if (!menu) return nullptr;
    if (flags & MF_BYPOSITION) {
        return item < menu->items.size() ? &menu->items[item] : nullptr;
    }
    for (const auto& candidate : menu->items) {
        if (!(candidate.flags & (MF_POPUP | MF_SEPARATOR)) && candidate.id == item) return &candidate;
    }
    return nullptr;
}
}  // namespace

UINT GetMenuState(HMENU handle, UINT item, UINT flags) {
    const user32::MenuItem* found = FindItem(handle, item, flags);
    return found ? found->flags : static_cast<UINT>(-1);
}

int GetMenuStringW(HMENU handle, UINT item, LPWSTR buffer, int bufferMax, UINT flags) {
    const user32::MenuItem* found = FindItem(handle, item, flags);
    if (!found) return 0;
    if (!buffer || bufferMax <= 0) return static_cast<int>(found->text.size());
    return static_cast<int>(user32::CopyTruncated(found->text, buffer, static_cast<size_t>(bufferMax)));
}

HMENU GetSubMenu(HMENU handle, int position) {
    const user32::MenuItem* found = FindItem(handle, static_cast<UINT>(position), MF_BYPOSITION);
    return found && (found->flags & MF_POPUP) ? reinterpret_cast<HMENU>(found->id) : nullptr;
}
