#include "shell32/known_folders.h"

#include "shlobj.h"
#include "user32/unhandled.h"

#include <QDir>
#include <QStandardPaths>

#include <cwchar>

namespace shell32 {

std::wstring VideosFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    return folder.toStdWString();
}

}  // namespace shell32

HRESULT SHGetFolderPathW(HWND, int folder, HANDLE, DWORD, LPWSTR path) {
    if (!path) return E_FAIL;
    if (folder != CSIDL_LOCAL_APPDATA) {
        user32::ReportUnhandledMessage("SHGetFolderPathW folder", static_cast<UINT>(folder));
        return E_FAIL;
    }
    const std::wstring data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdWString();
    if (data.empty() || data.size() >= MAX_PATH) return E_FAIL;
    std::wmemcpy(path, data.c_str(), data.size() + 1);
    return S_OK;
}
