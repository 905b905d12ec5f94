// GetSaveFileNameW and GetOpenFileNameW on QFileDialog.
#include "commdlg.h"
#include "shell32_private.h"
#include "user32_private.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include <cwchar>

namespace {

DWORD g_lastError = 0;
// The folder of the last file chosen in this run.
QString g_lastFolder;

// The platform's filter: NUL-separated label and pattern pairs, ended by an empty string.
std::wstring FilterPairs(LPCWSTR filter) {
    std::wstring pairs;
    if (!filter) return pairs;
    for (const WCHAR* p = filter; *p; p += std::wcslen(p) + 1) {
        pairs.append(p);
        pairs.push_back(L'\0');
    }
    return pairs;
}

// Qt's form: "Label (pattern)" lines; the platform's labels often name their pattern already.
QString QtFilter(const std::wstring& pairs) {
    QStringList filters;
    size_t at = 0;
    while (at < pairs.size()) {
        std::wstring label = pairs.c_str() + at;
        at += label.size() + 1;
        if (at >= pairs.size()) break;
        std::wstring pattern = pairs.c_str() + at;
        at += pattern.size() + 1;
        QString qtPattern = QString::fromStdWString(pattern).replace(QLatin1Char(';'), QLatin1Char(' '));
        QString qtLabel = QString::fromStdWString(label);
        if (qtLabel.contains(QLatin1Char('('))) qtLabel = qtLabel.left(qtLabel.indexOf(QLatin1Char('('))).trimmed();
        filters << QStringLiteral("%1 (%2)").arg(qtLabel, qtPattern);
    }
    return filters.join(QStringLiteral(";;"));
}

// Copies the chosen path into the caller's buffer; a buffer too small for it fails the call
// with FNERR_BUFFERTOOSMALL, as on the platform.
BOOL ReturnPath(LPOPENFILENAMEW ofn, std::wstring path) {
    if (ofn->lpstrDefExt && *ofn->lpstrDefExt && QFileInfo(QString::fromStdWString(path)).suffix().isEmpty()) {
        path += L".";
        path += ofn->lpstrDefExt;
    }
    if (!ofn->lpstrFile || path.size() + 1 > ofn->nMaxFile) {
        g_lastError = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    std::wmemcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
    g_lastFolder = QFileInfo(QString::fromStdWString(path)).absolutePath();
    size_t slash = path.find_last_of(L'/');
    ofn->nFileOffset = static_cast<WORD>(slash == std::wstring::npos ? 0 : slash + 1);
    size_t dot = path.find_last_of(L'.');
    ofn->nFileExtension = static_cast<WORD>(dot == std::wstring::npos || dot < ofn->nFileOffset ? 0 : dot + 1);
    return TRUE;
}

// Where the dialog opens: the folder of the file it was given, else the folder it was given, else,
// when the program names none, the folder last chosen in this run, else the user's Videos folder
// (the home folder while that does not exist yet).
std::wstring StartFolder(const OPENFILENAMEW& ofn, const std::wstring& initialFile) {
    QString file = QString::fromStdWString(initialFile);
    if (file.contains(QLatin1Char('/'))) return QFileInfo(file).absolutePath().toStdWString();
    if (ofn.lpstrInitialDir && *ofn.lpstrInitialDir) return ofn.lpstrInitialDir;
    if (!g_lastFolder.isEmpty()) return g_lastFolder.toStdWString();
    std::wstring videos = shell32::VideosFolder();
    return QDir(QString::fromStdWString(videos)).exists() ? videos : QDir::homePath().toStdWString();
}

BOOL RunFileDialog(LPOPENFILENAMEW ofn, bool save) {
    g_lastError = 0;
    if (!ofn || ofn->lStructSize != sizeof(OPENFILENAMEW)) return FALSE;
    user32::FileDialogCall call;
    call.owner = ofn->hwndOwner;
    call.save = save;
    call.title = ofn->lpstrTitle ? ofn->lpstrTitle : L"";
    call.filter = FilterPairs(ofn->lpstrFilter);
    call.defaultExtension = ofn->lpstrDefExt ? ofn->lpstrDefExt : L"";
    call.initialFile = ofn->lpstrFile ? ofn->lpstrFile : L"";
    call.initialFolder = StartFolder(*ofn, call.initialFile);
    call.maxFile = ofn->nMaxFile;
    call.flags = ofn->Flags;

    if (user32::ModalHook* hook = user32::GetModalHook()) {
        user32::FileDialogAnswer answer = hook->fileDialog(call);
        return answer.accepted ? ReturnPath(ofn, answer.path) : FALSE;
    }

    user32::Window* owner = user32::FromHandle(ofn->hwndOwner);
    QWidget* parent = owner && owner->widget() ? owner->widget()->window() : nullptr;
    QFileDialog dialog(parent, QString::fromStdWString(call.title), QString::fromStdWString(call.initialFolder),
                       QtFilter(call.filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!call.defaultExtension.empty()) dialog.setDefaultSuffix(QString::fromStdWString(call.defaultExtension));
    if (!(ofn->Flags & OFN_OVERWRITEPROMPT)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!call.initialFile.empty()) dialog.selectFile(QString::fromStdWString(call.initialFile));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return FALSE;
    return ReturnPath(ofn, dialog.selectedFiles().first().toStdWString());
}

}  // namespace

BOOL GetSaveFileNameW(LPOPENFILENAMEW ofn) { return RunFileDialog(ofn, true); }

BOOL GetOpenFileNameW(LPOPENFILENAMEW ofn) { return RunFileDialog(ofn, false); }

DWORD CommDlgExtendedError() { return g_lastError; }
