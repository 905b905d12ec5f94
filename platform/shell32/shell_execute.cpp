// ShellExecuteW: the "open" verb, handed to the desktop through Qt.
#include "shell32_private.h"

#include "shellapi.h"
#include "user32_private.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace shell32 {
namespace {
ShellOpenRecorder& Recorder() {
    static ShellOpenRecorder recorder;
    return recorder;
}
}  // namespace

void SetShellOpenRecorder(ShellOpenRecorder recorder) { Recorder() = std::move(recorder); }

}  // namespace shell32

// ShellExecuteW: opens an address or document with the desktop's handler (a web address in
// the user's browser). Returns 42 on success and SE_ERR_NOASSOC (31) when the desktop has no
// handler, values that callers compare with 32 as on the platform.
HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, INT showCommand) {
    constexpr uintptr_t kSuccess = 42, kNoAssociation = 31;
    std::wstring verbText = verb ? verb : L"open";
    if (verbText != L"open") {
        user32::ReportUnhandledMessage("ShellExecuteW verb other than open", 0);
        return reinterpret_cast<HINSTANCE>(kNoAssociation);
    }
    if (!file) return reinterpret_cast<HINSTANCE>(kNoAssociation);
    if (auto& recorder = shell32::Recorder()) {
        recorder(shell32::ShellOpen{owner, verbText, file, showCommand});
        return reinterpret_cast<HINSTANCE>(kSuccess);
    }
    QUrl url = QUrl::fromUserInput(QString::fromStdWString(file));
    bool opened = QDesktopServices::openUrl(url);
    return reinterpret_cast<HINSTANCE>(opened ? kSuccess : kNoAssociation);
}
