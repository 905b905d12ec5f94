// A window behind an HWND: its Qt widget, its procedure, its place in the parent/child tree.
// Every kind of window of the platform (dialog, button, edit, static, up-down, capture window)
// derives from Window and handles its own messages in classProc; the program subclasses a
// window by replacing its procedure, as on the platform.
#pragma once

#include "handle_table.h"
#include "windef.h"
#include "winuser.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

namespace user32 {

class Window {
public:
    static constexpr HandleKind kHandleKind = HandleKind::Window;

    Window(QWidget* widget, DWORD style, DWORD exStyle, int id);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND handle() const { return m_handle; }
    QWidget* widget() const { return m_widget; }
    // Where child windows' widgets go: the client area.
    virtual QWidget* clientWidget() const { return m_widget; }
    Window* parent() const { return m_parent; }
    const std::vector<Window*>& children() const { return m_children; }

    DWORD style() const { return m_style; }
    void setStyle(DWORD style) { m_style = style; }
    DWORD exStyle() const { return m_exStyle; }
    int id() const { return m_id; }
    WNDPROC proc() const { return m_proc; }
    void setProc(WNDPROC proc) { m_proc = proc; }
    LONG_PTR userData() const { return m_userData; }
    void setUserData(LONG_PTR data) { m_userData = data; }
    // The menus the window owns: destroyed with it, as on the platform.
    HMENU menu() const { return m_menu; }
    void setMenu(HMENU menu) { m_menu = menu; }
    HMENU systemMenu() const { return m_systemMenu; }
    void setSystemMenu(HMENU menu) { m_systemMenu = menu; }

    // The window class's own handling of a message: DefWindowProc for plain windows.
    virtual LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam);

    virtual std::wstring text() const { return m_text; }
    virtual void setText(const std::wstring& text) { m_text = text; }

    // Registers the window in the handle table under parent; returns its new handle.
    static HWND registerInHandleTable(std::unique_ptr<Window> window, Window* parent);

protected:
    // The default handling every window class falls back on.
    LRESULT defaultProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    friend BOOL(::DestroyWindow)(HWND);
    void detachFromParent();
    // F1's WM_HELP, and Alt+Space's system menu, from the default key processing.
    LRESULT sendHelp();
    LRESULT openSystemMenuByKey();

    HWND m_handle = nullptr;
    QPointer<QWidget> m_widget;
    Window* m_parent = nullptr;
    std::vector<Window*> m_children;
    DWORD m_style;
    DWORD m_exStyle;
    int m_id;
    WNDPROC m_proc;
    LONG_PTR m_userData = 0;
    HMENU m_menu = nullptr;
    HMENU m_systemMenu = nullptr;
    std::wstring m_text;
};

// The window behind a handle, or nullptr when the handle names no (longer existing) window.
Window* FromHandle(HWND window);

// Sends a message through the window's procedure: shorthand for the platform's own code.
LRESULT Send(Window* window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// Text conversions at the Qt boundary, and to and from the UTF-8 of file names and of what the
// media engine reports.
QString ToQString(const std::wstring& text);
std::wstring FromQString(const QString& text);
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace user32
