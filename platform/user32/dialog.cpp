// Dialogs: CreateDialogParamW, DialogBoxParamW, EndDialog and the default dialog procedure.
#include "dialog.h"

#include "controls.h"
#include "kernel32_private.h"
#include "keys.h"
#include "menu.h"
#include "modal_hooks.h"
#include "paint.h"
#include "system_menu.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>

namespace user32 {
namespace {

// The client area: paints through WM_PAINT and opens the system menu on its background.
class DialogClient : public QWidget {
public:
    DialogClient(QWidget* parent, DialogWindow* dialog) : QWidget(parent), m_dialog(dialog) {}

protected:
    void paintEvent(QPaintEvent*) override {
        HWND handle = m_dialog->handle();
        PaintEventScope scope(handle, this);
        SendMessageW(handle, WM_PAINT, 0, 0);
    }

    void contextMenuEvent(QContextMenuEvent* event) override {
        QWidget* under = childAt(event->pos());
        if (under && !qobject_cast<QGroupBox*>(under)) return;
        ShowSystemMenu(m_dialog, event->globalPos());
    }

private:
    DialogWindow* m_dialog;
};

Qt::WindowFlags FlagsFor(DWORD style, bool owned) {
    Qt::WindowFlags flags = (owned ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint;
    if (style & WS_CAPTION) flags |= Qt::WindowTitleHint;
    if (style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

QWidget* OwnerWidget(HWND owner) {
    Window* window = FromHandle(owner);
    return window && window->widget() ? window->widget()->window() : nullptr;
}

}  // namespace

DialogFrame::DialogFrame(QWidget* ownerWidget, DialogWindow* dialog)
    : QWidget(ownerWidget), m_dialog(dialog), m_client(new DialogClient(this, dialog)) {}

HWND DialogFrame::dialogHandle() const { return m_dialog->handle(); }

void DialogFrame::setMenuBar(QMenuBar* bar) {
    m_menuBar = bar;
    setClientSize(m_client->size());
}

void DialogFrame::setClientSize(QSize size) {
    int menuHeight = m_menuBar ? m_menuBar->sizeHint().height() : 0;
    if (m_menuBar) m_menuBar->setGeometry(0, 0, size.width(), menuHeight);
    m_client->setGeometry(0, menuHeight, size.width(), size.height());
    setFixedSize(size.width(), size.height() + menuHeight);
}

bool DialogFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        for (Window* control : m_dialog->children()) {
            if (control->widget() != watched) continue;
            if (DeliverKeyAsMessages(static_cast<QKeyEvent*>(event), dialogHandle(), control->handle())) return true;
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DialogFrame::keyPressEvent(QKeyEvent* event) {
    if (!DeliverKeyAsMessages(event, dialogHandle(), dialogHandle())) QWidget::keyPressEvent(event);
}

void DialogFrame::keyReleaseEvent(QKeyEvent* event) {
    if (!DeliverKeyAsMessages(event, dialogHandle(), dialogHandle())) QWidget::keyReleaseEvent(event);
}

void DialogFrame::closeEvent(QCloseEvent* event) {
    // The close box asks the dialog; the window goes only when the dialog destroys it.
    event->ignore();
    SendMessageW(dialogHandle(), WM_CLOSE, 0, 0);
}

DialogWindow::DialogWindow(const DialogTemplate& dialogTemplate, UINT templateId, QWidget* ownerWidget,
                           DLGPROC dialogProc)
    : Window(new DialogFrame(ownerWidget, this), dialogTemplate.style, dialogTemplate.exStyle, 0),
      m_dialogProc(dialogProc),
      m_templateId(templateId) {
    DialogFrame* dialogFrame = frame();
    dialogFrame->setWindowFlags(FlagsFor(dialogTemplate.style, ownerWidget != nullptr));
    // An owned dialog is a Qt child of its owner's window, yet its enabled state is its own: a
    // modal dialog is made after its owner was disabled, and must still take input.
    dialogFrame->setEnabled(!(dialogTemplate.style & WS_DISABLED));
    dialogFrame->setWindowTitle(ToQString(dialogTemplate.caption));
    QFont font = DialogFont(dialogTemplate.typeface, dialogTemplate.pointSize);
    dialogFrame->setFont(font);
    m_baseUnits = DialogBaseUnits::forFont(font);
    QRect client = m_baseUnits.toPixels(0, 0, dialogTemplate.cx, dialogTemplate.cy);
    dialogFrame->setClientSize(client.size());
}

DialogFrame* DialogWindow::frame() const { return static_cast<DialogFrame*>(widget()); }

QWidget* DialogWindow::clientWidget() const { return frame() ? frame()->client() : nullptr; }

std::wstring DialogWindow::text() const { return frame() ? FromQString(frame()->windowTitle()) : std::wstring(); }

void DialogWindow::setText(const std::wstring& text) {
    if (frame()) frame()->setWindowTitle(ToQString(text));
}

void DialogWindow::watchKeys(QWidget* control) { control->installEventFilter(frame()); }

namespace {
UINT DialogCode(HWND control) { return static_cast<UINT>(SendMessageW(control, WM_GETDLGCODE, 0, 0)); }
}  // namespace

void DialogWindow::pressDefaultButton(HWND focus) {
    Window* focused = FromHandle(focus);
    // A push button with the focus is the default while it has it.
    if (focused && focused->parent() == this && (DialogCode(focus) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
        SendMessageW(handle(), WM_COMMAND, MAKEWPARAM(focused->id(), BN_CLICKED), reinterpret_cast<LPARAM>(focus));
        return;
    }
    // The dialog procedure may answer DM_GETDEFID itself.
    const auto defId = static_cast<DWORD>(SendMessageW(handle(), DM_GETDEFID, 0, 0));
    const int id = HIWORD(defId) == DC_HASDEFID ? LOWORD(defId) : IDOK;
    HWND button = GetDlgItem(handle(), id);
    if (HIWORD(defId) == DC_HASDEFID && button && !IsWindowEnabled(button)) return;
    SendMessageW(handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void DialogWindow::resolveTemplateDefault() {
    Window* previous = nullptr;
    for (Window* control : children()) {
        if (!(DialogCode(control->handle()) & DLGC_DEFPUSHBUTTON)) continue;
        if (previous) SendMessageW(previous->handle(), BM_SETSTYLE, BS_PUSHBUTTON, FALSE);
        previous = control;
        m_defaultId = control->id();
    }
}

void DialogWindow::setDefaultId(int id) {
    HWND oldButton = GetDlgItem(handle(), m_defaultId);
    HWND newButton = GetDlgItem(handle(), id);
    m_defaultId = id;
    // Anything may be named the default; only push buttons change how they look.
    const UINT newCode = newButton ? DialogCode(newButton) : 0;
    if (newButton && !(newCode & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) return;
    if (oldButton && oldButton != newButton && (DialogCode(oldButton) & DLGC_DEFPUSHBUTTON)) {
        SendMessageW(oldButton, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    }
    if (newCode & DLGC_UNDEFPUSHBUTTON) SendMessageW(newButton, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

LRESULT DialogWindow::classProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog procedure comes first; what it leaves (returns FALSE for) is the default
    // dialog processing below.
    if (m_dialogProc) {
        INT_PTR handled = m_dialogProc(handle(), message, wParam, lParam);
        if (message == WM_INITDIALOG) return handled;
        if (handled) return handled;
    }
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CLOSE:
        SendMessageW(handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 0;
    case DM_GETDEFID:
        return m_defaultId ? MAKELONG(m_defaultId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
        if (!m_ended) setDefaultId(static_cast<int>(wParam));
        return TRUE;
    case WM_NEXTDLGCTL: {
        // lParam TRUE: wParam is the control; otherwise the next (0) or previous tab stop.
        HWND next = lParam ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(handle(), GetFocus(), wParam != 0);
        if (next) SetFocus(next);
        return 0;
    }
    default:
        return defaultProc(message, wParam, lParam);
    }
}

void DialogWindow::end(INT_PTR result) {
    m_ended = true;
    m_result = result;
    if (frame()) frame()->hide();
    if (m_loop) m_loop->quit();
}

void DialogWindow::runModalLoop() {
    if (m_ended) return;
    QEventLoop loop;
    m_loop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
}

DialogWindow* DialogFromHandle(HWND handle) { return dynamic_cast<DialogWindow*>(FromHandle(handle)); }

}  // namespace user32

using namespace user32;

// CreateDialogParamW: builds the dialog and its controls from the template, in template order
// (which is tab and Z order), then sends WM_INITDIALOG. Shown only when the template says so.
HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam) {
    if (!instance) instance = GetModuleHandleW(nullptr);
    auto parsed = ParseDialogTemplate(kernel32::ResourceBytes(instance, RT_DIALOG, templateName));
    if (!parsed) return nullptr;
    UINT templateId = IS_INTRESOURCE(templateName) ? static_cast<UINT>(reinterpret_cast<uintptr_t>(templateName)) : 0;

    auto created = std::make_unique<DialogWindow>(*parsed, templateId, OwnerWidget(owner), dialogProc);
    DialogWindow* dialog = created.get();
    HWND handle = Window::registerInHandleTable(std::move(created), nullptr);

    if (!parsed->menu.empty()) {
        HMENU menu = LoadMenuW(
            instance, parsed->menu.isOrdinal ? MAKEINTRESOURCEW(parsed->menu.ordinal) : parsed->menu.name.c_str());
        dialog->setMenu(menu);
        dialog->frame()->setMenuBar(BuildMenuBar(
            menu, dialog->frame(), [handle](UINT id) { SendMessageW(handle, WM_COMMAND, MAKEWPARAM(id, 0), 0); }));
    }

    HWND firstTabStop = nullptr;
    for (const DialogItemTemplate& item : parsed->items) {
        ControlCreateInfo info;
        info.parent = dialog;
        info.instance = instance;
        info.style = item.style;
        info.exStyle = item.exStyle;
        info.id = item.id;
        info.title = item.title;
        info.pixels = dialog->baseUnits().toPixels(item.x, item.y, item.cx, item.cy);
        info.font = dialog->frame()->font();
        HWND control = CreateControl(item.windowClass, info);
        if (!control) {
            // The platform refuses a dialog whose controls cannot all be made.
            DestroyWindow(handle);
            return nullptr;
        }
        Window* window = FromHandle(control);
        if (window && window->widget()) dialog->watchKeys(window->widget());
        if (!firstTabStop && (item.style & WS_TABSTOP) && !(item.style & WS_DISABLED)) firstTabStop = control;
    }
    dialog->resolveTemplateDefault();

    BOOL setFocus =
        static_cast<BOOL>(SendMessageW(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTabStop), initParam));
    if (!IsWindow(handle)) return nullptr;
    if (setFocus && firstTabStop) SetFocus(firstTabStop);
    if ((parsed->style & WS_VISIBLE) && !dialog->ended()) dialog->frame()->show();
    return handle;
}

// DialogBoxParamW: the modal loop. The owner is disabled while the dialog runs.
INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam) {
    bool disabledOwner = owner && IsWindowEnabled(owner);
    if (disabledOwner) EnableWindow(owner, FALSE);
    HWND handle = CreateDialogParamW(instance, templateName, owner, dialogProc, initParam);
    DialogWindow* dialog = DialogFromHandle(handle);
    INT_PTR result = -1;
    if (dialog) {
        if (ModalHook* hook = GetModalHook()) {
            hook->modalDialog(handle, dialog->templateId());
            if (IsWindow(handle) && !dialog->ended()) {
                hook->unansweredDialog(L"template " + std::to_wstring(dialog->templateId()));
                dialog->end(IDCANCEL);
            }
        } else {
            DialogFrame* frame = dialog->frame();
            if (!dialog->ended()) {
                if (QWidget* ownerWidget = frame->parentWidget()) {
                    frame->move(ownerWidget->geometry().center() - frame->rect().center());
                }
                frame->show();
                frame->activateWindow();
            }
            dialog->runModalLoop();
        }
        dialog = DialogFromHandle(handle);
        if (dialog) result = dialog->result();
    }
    if (disabledOwner && IsWindow(owner)) EnableWindow(owner, TRUE);
    if (IsWindow(handle)) DestroyWindow(handle);
    return result;
}

// EndDialog: the modal loop returns once the current message has been handled.
BOOL EndDialog(HWND handle, INT_PTR result) {
    DialogWindow* dialog = DialogFromHandle(handle);
    if (!dialog) return FALSE;
    dialog->end(result);
    return TRUE;
}

LRESULT DefDlgProcW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogWindow* dialog = DialogFromHandle(handle);
    return dialog ? dialog->DialogWindow::classProc(message, wParam, lParam) : 0;
}

BOOL MapDialogRect(HWND handle, LPRECT rect) {
    DialogWindow* dialog = DialogFromHandle(handle);
    if (!dialog || !rect) return FALSE;
    *rect = dialog->baseUnits().mapEdges(*rect);
    return TRUE;
}
