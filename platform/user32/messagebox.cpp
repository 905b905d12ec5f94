// MessageBoxW on QMessageBox.
#include "modal_hooks.h"
#include "unhandled.h"
#include "window.h"
#include "winuser.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon IconFor(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

}  // namespace

// MessageBoxW: MB_OK and MB_OKCANCEL; returns IDOK or IDCANCEL. Escape on an OK-only box
// answers OK, as on the platform.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    using namespace user32;
    UINT buttons = type & MB_TYPEMASK;
    if (buttons != MB_OK && buttons != MB_OKCANCEL) {
        ReportUnhandledMessage("message box type", buttons);
        buttons = MB_OK;
    }
    if (ModalHook* hook = GetModalHook()) {
        return hook->messageBox(MessageBoxCall{owner, text ? text : L"", caption ? caption : L"Error", type});
    }

    Window* ownerWindow = FromHandle(owner);
    QWidget* parent = ownerWindow && ownerWindow->widget() ? ownerWindow->widget()->window() : nullptr;
    QMessageBox box(IconFor(type), ToQString(caption ? caption : L"Error"), ToQString(text ? text : L""),
                    QMessageBox::NoButton, parent);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    QPushButton* cancel = buttons == MB_OKCANCEL ? box.addButton(QMessageBox::Cancel) : nullptr;
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel ? cancel : ok);
    box.exec();
    return box.clickedButton() == ok || !cancel ? IDOK : IDCANCEL;
}
