// The program's entry point, in the framework's place: the application object was built
// during static initialisation; InitInstance runs once, and its return value decides whether
// an application message loop follows. The program's returns FALSE, so the process ends when
// its main dialog does.
#include "afxwin.h"
#include "program_registration.h"

#include <QApplication>

#include <string>

namespace afx {
void RecordApplicationName(const char* argv0);

namespace {
std::string& DesktopEntryId() {
    static std::string id;
    return id;
}
}  // namespace

void SetDesktopEntryId(std::string id) { DesktopEntryId() = std::move(id); }
}  // namespace afx

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (!afx::DesktopEntryId().empty())
        QGuiApplication::setDesktopFileName(QString::fromStdString(afx::DesktopEntryId()));
    afx::RecordApplicationName(argv[0]);
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    if (!app->InitInstance()) return 0;
    return QApplication::exec();
}
