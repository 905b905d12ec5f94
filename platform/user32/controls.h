// Window classes: the standard controls a dialog template names (button, edit, static) and
// the registry that other libraries (the common controls) add their classes to.
#pragma once

#include "resource_formats.h"
#include "window.h"

#include <QFont>
#include <QRect>

#include <functional>
#include <memory>
#include <string>

namespace user32 {

struct ControlCreateInfo {
    Window* parent = nullptr;
    HINSTANCE instance = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    int id = 0;
    ResourceRef title;  // text, or the icon or bitmap a static shows
    QRect pixels;       // in the parent's client area
    QFont font;
};

using ControlFactory = std::function<std::unique_ptr<Window>(const ControlCreateInfo&)>;

// Class names compare without regard to case, as on the platform.
void RegisterControlClass(const std::wstring& className, ControlFactory factory);
// Creates a control of a registered class (or of a template's class atom); nullptr when the
// class is unknown.
HWND CreateControl(const ResourceRef& windowClass, const ControlCreateInfo& info);

// Turns a control's text into what Qt shows: '&' marks the mnemonic in both, so only statics
// with SS_NOPREFIX need their ampersands escaped.
QString ControlText(const std::wstring& text, bool noPrefix);

}  // namespace user32
