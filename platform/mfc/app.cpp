// CWinApp and the framework's global functions, and the program's entry point.
#include "afxwin.h"

#include "user32_private.h"

#include <QApplication>
#include <QFileInfo>

#include <string>

namespace {
CWinApp* g_app = nullptr;
std::wstring g_appName;
}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCWSTR appName) : m_pszAppName(appName) { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

// The settings store would be the platform's registry, which this platform does not have; the
// program stores nothing there, so naming the key changes nothing.
void CWinApp::SetRegistryKey(LPCWSTR) {}

// The framework's help needs the platform's help viewer; there is none here.
void CWinApp::OnHelp() { user32::ReportUnhandledMessage("help command (no help viewer)", ID_HELP); }

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }
HINSTANCE AfxGetResourceHandle() { return GetModuleHandleW(nullptr); }
HINSTANCE AfxGetInstanceHandle() { return GetModuleHandleW(nullptr); }

// Controls are hosted by the dialogs themselves; there is no container to enable.
void AfxEnableControlContainer(void*) {}

// AfxMessageBox: titled with the application's name, owned by the main window, with the
// exclamation icon on OK and OK/Cancel boxes.
int AfxMessageBox(LPCWSTR text, UINT type, UINT) {
    CWinApp* app = AfxGetApp();
    LPCWSTR title = app && app->m_pszAppName ? app->m_pszAppName : L"";
    CWnd* main = AfxGetMainWnd();
    if ((type & MB_ICONMASK) == 0 && ((type & MB_TYPEMASK) == MB_OK || (type & MB_TYPEMASK) == MB_OKCANCEL)) {
        type |= MB_ICONEXCLAMATION;
    }
    return MessageBoxW(main ? main->m_hWnd : nullptr, text, title, type);
}

namespace afx {
// Records the application's name: the executable's file name without its extension, when the
// program gave its application object none.
void RecordApplicationName(const char* argv0) {
    QString path = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (path.isEmpty()) path = QString::fromLocal8Bit(argv0);
    g_appName = QFileInfo(path).completeBaseName().toStdWString();
    if (g_app && !g_app->m_pszAppName) g_app->m_pszAppName = g_appName.c_str();
}
}  // namespace afx
