// CDialog: modal and modeless dialogs from the module's templates.
#include "afxwin.h"

#include "user32_private.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
ON_WM_HELPINFO()
END_MESSAGE_MAP()

// AfxDlgProc: attaches the dialog object when its window is initialised; everything after
// that reaches the object through AfxWndProc.
INT_PTR CALLBACK AfxDlgProc(HWND handle, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog || !dialog->SubclassWindow(handle)) return FALSE;
    return dialog->OnInitDialog();
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDHelp(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
    if (m_hWnd && IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

namespace {
HWND OwnerFor(CWnd* self, CWnd* parent) {
    if (parent) return parent->m_hWnd;
    CWnd* main = AfxGetMainWnd();
    return main && main != self ? main->m_hWnd : nullptr;
}
}  // namespace

INT_PTR CDialog::DoModal() {
    return DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDHelp), OwnerFor(this, m_pParentWnd),
                           &AfxDlgProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    m_nIDHelp = templateId;
    if (parent) m_pParentWnd = parent;
    HWND handle = CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(templateId), OwnerFor(this, m_pParentWnd),
                                     &AfxDlgProc, reinterpret_cast<LPARAM>(this));
    return handle != nullptr;
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

// Commands, not notifications, and not the system's (from 0xF000 up), reach the application.
BOOL CDialog::OnCmdMsg(UINT id, int code) {
    if (CWnd::OnCmdMsg(id, code)) return TRUE;
    if (code != CN_COMMAND || id >= 0xF000) return FALSE;
    CWinApp* app = AfxGetApp();
    return app && app->CCmdTarget::OnCmdMsg(id, code);
}

// The base initialisation: the members go to the controls.
BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }
