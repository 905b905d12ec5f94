// The window functions of user32. Everything here runs on the GUI thread.
#include "window.h"

#include "icon.h"
#include "keys.h"
#include "paint.h"
#include "system_menu.h"
#include "text.h"
#include "unhandled.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <QThread>

#include <algorithm>
#include <cwchar>

namespace user32 {
namespace {

LRESULT CALLBACK ClassWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = FromHandle(handle);
    return window ? window->classProc(message, wParam, lParam) : 0;
}

void DestroyTree(Window* window) {
    HWND handle = window->handle();
    Send(window, WM_DESTROY);
    // Children go after their parent's WM_DESTROY and before its WM_NCDESTROY, as on the platform.
    std::vector<Window*> children = window->children();
    for (Window* child : children) {
        if (FromHandle(child->handle()) == child) DestroyTree(child);
    }
    if (FromHandle(handle) == window) Send(window, WM_NCDESTROY);
}

}  // namespace

Window::Window(QWidget* widget, DWORD style, DWORD exStyle, int id)
    : m_widget(widget), m_style(style), m_exStyle(exStyle), m_id(id), m_proc(&ClassWindowProc) {}

Window::~Window() {
    if (m_handle) ForgetOffscreenPaint(m_handle);
    if (m_widget) {
        // A widget may be on the stack of the Qt event being handled (a click that ends the
        // program): hide it now and let Qt delete it once that event has returned.
        m_widget->hide();
        m_widget->deleteLater();
    }
}

HWND Window::registerInHandleTable(std::unique_ptr<Window> window, Window* parent) {
    Window* registered = window.get();
    HWND handle = AddHandle<HWND>(std::move(window));
    registered->m_handle = handle;
    registered->m_parent = parent;
    if (parent) parent->m_children.push_back(registered);
    return handle;
}

void Window::detachFromParent() {
    if (!m_parent) return;
    auto& siblings = m_parent->m_children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    m_parent = nullptr;
}

LRESULT Window::sendHelp() {
    HELPINFO info{sizeof(HELPINFO), HELPINFO_WINDOW, m_id, m_handle, 0, POINT{0, 0}};
    return Send(this, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

LRESULT Window::openSystemMenuByKey() {
    Window* topLevel = this;
    while (topLevel->m_parent && (topLevel->m_style & WS_CHILD)) topLevel = topLevel->m_parent;
    QWidget* client = topLevel->clientWidget();
    if (client) ShowSystemMenu(topLevel, client->mapToGlobal(QPoint(0, 0)));
    return 0;
}

LRESULT Window::classProc(UINT message, WPARAM wParam, LPARAM lParam) { return defaultProc(message, wParam, lParam); }

LRESULT Window::defaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT:
        setText(lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"");
        return TRUE;
    case WM_GETTEXT: {
        return static_cast<LRESULT>(CopyTruncated(text(), reinterpret_cast<LPWSTR>(lParam), wParam));
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(text().size());
    case WM_CLOSE:
        DestroyWindow(m_handle);
        return 0;
    case WM_SYSCOMMAND:
        return DefaultSystemCommand(this, static_cast<UINT>(wParam));
    case WM_SETICON: {
        if (m_widget) m_widget->window()->setWindowIcon(IconToQIcon(reinterpret_cast<HICON>(lParam)));
        return 0;
    }
    case WM_ERASEBKGND:
    case WM_ICONERASEBKGND:
        return TRUE;  // Qt paints the background
    case WM_GETDLGCODE:
        return 0;  // the dialog manager's keys go to the dialog manager
    case WM_KEYDOWN:
        if (wParam == VK_F1) return sendHelp();
        DefaultKeyProcessing(this, message);
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+Space opens the system menu of the window the control is in.
        if (wParam == VK_SPACE) return openSystemMenuByKey();
        DefaultKeyProcessing(this, message);
        return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
        DefaultKeyProcessing(this, message);
        return 0;
    case WM_HELP:
        // Asked of the focused control, help is its dialog's to give.
        if (m_parent && (m_style & WS_CHILD)) return Send(m_parent, message, wParam, lParam);
        return TRUE;
    case WM_CREATE:
    case WM_DESTROY:
    case WM_NCDESTROY:
    case WM_PAINT:
    case WM_ENABLE:
    case WM_SETFONT:
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_QUERYDRAGICON:
    case WM_VSCROLL:
        return 0;
    default:
        ReportUnhandledMessage("window", message);
        return 0;
    }
}

Window* FromHandle(HWND handle) { return LookUpHandle<Window>(handle); }

LRESULT Send(Window* window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(window->handle(), message, wParam, lParam);
}

QString ToQString(const std::wstring& text) { return QString::fromStdWString(text); }
std::wstring FromQString(const QString& text) { return text.toStdWString(); }
std::string ToUtf8(const std::wstring& text) { return ToQString(text).toStdString(); }
std::wstring FromUtf8(const std::string& text) { return QString::fromStdString(text).toStdWString(); }

}  // namespace user32

using user32::FromHandle;
using user32::Window;

BOOL IsWindow(HWND handle) { return FromHandle(handle) != nullptr; }

// SendMessageW: synchronous, straight into the window's procedure.
LRESULT SendMessageW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    // Windows and their Qt widgets belong to the GUI thread; a message sent from any other (the
    // capture thread, say) would race with it, so it is a fault in the caller wherever it happens.
    if (QCoreApplication* application = QCoreApplication::instance();
        application && QThread::currentThread() != application->thread()) {
        qFatal("SendMessageW(message 0x%x) called outside the GUI thread", message);
    }
    Window* window = FromHandle(handle);
    if (!window) return 0;
    return window->proc()(handle, message, wParam, lParam);
}

LRESULT CallWindowProcW(WNDPROC proc, HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(handle, message, wParam, lParam) : 0;
}

LRESULT DefWindowProcW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = FromHandle(handle);
    return window ? window->Window::classProc(message, wParam, lParam) : 0;
}

LONG_PTR GetWindowLongPtrW(HWND handle, int index) {
    Window* window = FromHandle(handle);
    if (!window) return 0;
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(window->proc());
    case GWLP_ID:
        return window->id();
    case GWL_STYLE:
        return static_cast<LONG_PTR>(window->style());
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(window->exStyle());
    case GWLP_USERDATA:
        return window->userData();
    default:
        user32::ReportUnhandledMessage("GetWindowLongPtrW index", static_cast<UINT>(index));
        return 0;
    }
}

// SetWindowLongPtrW: only what subclassing and user data need.
LONG_PTR SetWindowLongPtrW(HWND handle, int index, LONG_PTR value) {
    Window* window = FromHandle(handle);
    if (!window) return 0;
    switch (index) {
    case GWLP_WNDPROC: {
        WNDPROC old = window->proc();
        window->setProc(reinterpret_cast<WNDPROC>(value));
        return reinterpret_cast<LONG_PTR>(old);
    }
    case GWLP_USERDATA: {
        LONG_PTR old = window->userData();
        window->setUserData(value);
        return old;
    }
    default:
        user32::ReportUnhandledMessage("SetWindowLongPtrW index", static_cast<UINT>(index));
        return 0;
    }
}

// DestroyWindow: the window and all its children; their handles stop being windows.
BOOL DestroyWindow(HWND handle) {
    Window* window = FromHandle(handle);
    if (!window) return FALSE;
    user32::DestroyTree(window);
    // Free bottom-up: children before their parent, each leaving the table first.
    std::vector<Window*> order;
    std::vector<Window*> pending{window};
    while (!pending.empty()) {
        Window* next = pending.back();
        pending.pop_back();
        order.push_back(next);
        for (Window* child : next->children()) pending.push_back(child);
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        Window* dying = *it;
        dying->detachFromParent();
        DestroyMenu(dying->menu());
        DestroyMenu(dying->systemMenu());
        user32::TakeHandle<Window>(dying->handle());
    }
    return TRUE;
}

HWND GetParent(HWND handle) {
    Window* window = FromHandle(handle);
    return window && window->parent() ? window->parent()->handle() : nullptr;
}

HWND GetDlgItem(HWND dialog, int id) {
    Window* window = FromHandle(dialog);
    if (!window) return nullptr;
    for (Window* child : window->children()) {
        if (child->id() == id) return child->handle();
    }
    return nullptr;
}

int GetDlgCtrlID(HWND handle) {
    Window* window = FromHandle(handle);
    return window ? window->id() : 0;
}

// A window's enabled state is its own, as on the platform: Qt also counts a child of a disabled
// window as disabled, so every control of a dialog would report itself disabled while that
// dialog waits for a modal one.
namespace {
bool OwnStateEnabled(const QWidget* widget) { return !widget->testAttribute(Qt::WA_ForceDisabled); }
}  // namespace

// EnableWindow: returns whether the window was disabled before.
BOOL EnableWindow(HWND handle, BOOL enable) {
    Window* window = FromHandle(handle);
    if (!window || !window->widget()) return FALSE;
    BOOL wasDisabled = !OwnStateEnabled(window->widget());
    window->widget()->setEnabled(enable != FALSE);
    SendMessageW(handle, WM_ENABLE, enable, 0);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND handle) {
    Window* window = FromHandle(handle);
    return window && window->widget() && OwnStateEnabled(window->widget());
}

BOOL IsWindowVisible(HWND handle) {
    Window* window = FromHandle(handle);
    return window && window->widget() && window->widget()->isVisible();
}

// ShowWindow: returns whether the window was visible before.
BOOL ShowWindow(HWND handle, int command) {
    Window* window = FromHandle(handle);
    if (!window || !window->widget()) return FALSE;
    BOOL wasVisible = window->widget()->isVisible();
    window->widget()->setVisible(command != SW_HIDE);
    return wasVisible;
}

BOOL SetWindowTextW(HWND handle, LPCWSTR text) {
    return SendMessageW(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

int GetWindowTextW(HWND handle, LPWSTR buffer, int bufferMax) {
    if (bufferMax <= 0) return 0;
    return static_cast<int>(
        SendMessageW(handle, WM_GETTEXT, static_cast<WPARAM>(bufferMax), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND handle) { return static_cast<int>(SendMessageW(handle, WM_GETTEXTLENGTH, 0, 0)); }

BOOL GetClientRect(HWND handle, LPRECT rect) {
    Window* window = FromHandle(handle);
    if (!window || !rect) return FALSE;
    QWidget* client = window->clientWidget();
    *rect = RECT{0, 0, client ? client->width() : 0, client ? client->height() : 0};
    return TRUE;
}

// GetWindowRect: screen coordinates of the widget.
BOOL GetWindowRect(HWND handle, LPRECT rect) {
    Window* window = FromHandle(handle);
    if (!window || !window->widget() || !rect) return FALSE;
    QWidget* widget = window->widget();
    QPoint topLeft = widget->mapToGlobal(QPoint(0, 0));
    *rect = RECT{topLeft.x(), topLeft.y(), topLeft.x() + widget->width(), topLeft.y() + widget->height()};
    return TRUE;
}

// MoveWindow: in the parent's client coordinates.
BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL) {
    Window* window = FromHandle(handle);
    if (!window || !window->widget()) return FALSE;
    window->widget()->setGeometry(x, y, width, height);
    return TRUE;
}

BOOL IsIconic(HWND handle) {
    Window* window = FromHandle(handle);
    return window && window->widget() && window->widget()->window()->isMinimized();
}

HWND GetFocus() {
    QWidget* focus = QApplication::focusWidget();
    for (Window* window : user32::AllHandles<Window>()) {
        if (window->widget() && window->widget() == focus) return window->handle();
    }
    return nullptr;
}

// SetFocus: returns the window that had the focus.
HWND SetFocus(HWND handle) {
    HWND previous = GetFocus();
    Window* window = FromHandle(handle);
    if (window && window->widget()) window->widget()->setFocus(Qt::OtherFocusReason);
    return previous;
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen) return 0;
        return index == SM_CXSCREEN ? screen->geometry().width() : screen->geometry().height();
    }
    default:
        user32::ReportUnhandledMessage("GetSystemMetrics index", static_cast<UINT>(index));
        return 0;
    }
}
