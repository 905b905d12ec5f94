// Dialog windows built from their templates at run time.
#pragma once

#include "dialog_units.h"
#include "resource_formats.h"
#include "window.h"

#include <QEventLoop>
#include <QWidget>

class QMenuBar;

namespace user32 {

class DialogWindow;

// The top-level Qt window of a dialog: menu bar on top, client area below.
class DialogFrame : public QWidget {
public:
    DialogFrame(QWidget* ownerWidget, DialogWindow* dialog);

    QWidget* client() const { return m_client; }
    void setMenuBar(QMenuBar* bar);
    void setClientSize(QSize size);

protected:
    // Keys become messages for the focused control, or for the dialog when no control has them.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    HWND dialogHandle() const;

    DialogWindow* m_dialog;
    QMenuBar* m_menuBar = nullptr;
    QWidget* m_client;
};

class DialogWindow : public Window {
public:
    DialogWindow(const DialogTemplate& dialogTemplate, UINT templateId, QWidget* ownerWidget, DLGPROC dialogProc);

    QWidget* clientWidget() const override;
    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    std::wstring text() const override;
    void setText(const std::wstring& text) override;

    UINT templateId() const { return m_templateId; }
    const DialogBaseUnits& baseUnits() const { return m_baseUnits; }
    DialogFrame* frame() const;

    // The modal state that EndDialog ends.
    bool ended() const { return m_ended; }
    INT_PTR result() const { return m_result; }
    void end(INT_PTR result);
    void runModalLoop();

    // What Enter presses: the push button that has the focus (`focus`), else the default
    // button, else IDOK.
    void pressDefaultButton(HWND focus);
    // The last default push button of the template is the default: the others become plain
    // push buttons, as the dialog manager leaves them.
    void resolveTemplateDefault();
    // Turns a control's keys into messages.
    void watchKeys(QWidget* control);

private:
    DLGPROC m_dialogProc;
    UINT m_templateId;
    DialogBaseUnits m_baseUnits;
    void setDefaultId(int id);

    int m_defaultId = 0;
    bool m_ended = false;
    INT_PTR m_result = 0;
    QEventLoop* m_loop = nullptr;
};

DialogWindow* DialogFromHandle(HWND dialog);

}  // namespace user32
