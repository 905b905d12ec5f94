// Start-up: one application object, one modal main dialog, and the end of the process as soon
// as that dialog closes.
#include "KinoreeV2.h"

#include "KinoreeV2Dlg.h"
#include "commctrl.h"

BEGIN_MESSAGE_MAP(CKinoreeV2App, CWinApp)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CKinoreeV2App::CKinoreeV2App() = default;
CKinoreeV2App::~CKinoreeV2App() = default;

CKinoreeV2App theApp;

BOOL CKinoreeV2App::InitInstance() {
    // The main dialog's up-down control is one of these classes.
    INITCOMMONCONTROLSEX initControls;
    initControls.dwSize = sizeof(initControls);
    initControls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&initControls);

    CWinApp::InitInstance();
    AfxEnableControlContainer();
    SetRegistryKey(L"Local AppWizard-Generated Applications");

    CKinoreeV2Dlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    // No application message loop: the process ends with the dialog.
    return FALSE;
}
