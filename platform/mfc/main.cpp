// The program's entry point, in the framework's place: the application object was built
// during static initialisation; InitInstance runs once, and its return value decides whether
// an application message loop follows. The program's returns FALSE, so the process ends when
// its main dialog does.
#include "afxwin.h"

#include <QApplication>

namespace afx {
void RecordApplicationName(const char* argv0);
}

int main(int argc, char** argv) {
    QApplication application(argc, argv);
#ifdef DESKTOP_ENTRY_ID
    QGuiApplication::setDesktopFileName(QStringLiteral(DESKTOP_ENTRY_ID));
#endif
    afx::RecordApplicationName(argv[0]);
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    if (!app->InitInstance()) return 0;
    return QApplication::exec();
}
