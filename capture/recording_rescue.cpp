#include "recording_rescue.h"

#include "afxwin.h"
#include "capture_errors.h"
#include "capture_setup.h"
#include "capture_window.h"
#include "shlobj.h"

#include <string>
#include <vector>

namespace {

// Names taken by no file: "Capture (recovered 1).avi", then 2, ...
constexpr int kMostRecoveredNames = 100;

// The first "STEM (recovered N)EXT" in `folder` that names nothing yet.
CString FreeRecoveredName(const std::wstring& folder, const std::wstring& stem, const std::wstring& extension) {
    for (int n = 1; n <= kMostRecoveredNames; ++n) {
        const std::wstring name = folder + L"/" + stem + L" (recovered " + std::to_wstring(n) + L")" + extension;
        if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) return CString(name.c_str());
    }
    return CString();
}

// Beside the path first, where the user looks for the take; else the program's data folder.
std::vector<CString> RescueNames(const std::wstring& path) {
    const size_t slash = path.rfind(L'/');
    const std::wstring folder = slash == std::wstring::npos ? L"." : path.substr(0, slash);
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind(L'.');
    const std::wstring extension = dot == std::wstring::npos || dot == 0 ? L".avi" : name.substr(dot);
    if (dot != std::wstring::npos && dot != 0) name.resize(dot);

    std::vector<CString> names;
    if (CString beside = FreeRecoveredName(folder, name, extension); !beside.IsEmpty()) names.push_back(beside);
    WCHAR data[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, data) == S_OK) {
        const CWinApp* app = AfxGetApp();
        const std::wstring program = app && app->m_pszAppName ? app->m_pszAppName : L"KinoreeV2";
        const std::wstring recovered = std::wstring(data) + L"/" + program + L"/recovered";
        if (CString kept = FreeRecoveredName(recovered, name, extension); !kept.IsEmpty()) names.push_back(kept);
    }
    return names;
}

}  // namespace

bool CaptureRecordingKept(std::wstring& why) {
    int errorId = 0;
    why = TakeLastCaptureError(&errorId);
    return errorId == IDS_CAP_RECORDING_KEPT;
}

bool SaveKeptRecording(CString& status) {
    std::wstring why;
    if (!CaptureRecordingKept(why)) return true;
    const CString path = CaptureFilePath();
    for (const CString& name : RescueNames(std::wstring(path))) {
        if (SendCap(WM_CAP_FILE_SAVEASW, 0, reinterpret_cast<LPARAM>(static_cast<LPCWSTR>(name)))) {
            AfxMessageBox(CString(L"The recording could not be saved to ") + path + L": " + CString(why.c_str()) +
                              L"\nIts frames were saved to " + name + L".",
                          MB_OK);
            return true;
        }
        TakeLastCaptureError();
    }
    status = CString(L"The recording could not be saved to ") + path + L", nor under another name: " +
             CString(why.c_str()) + L" It stays open: make the folder writable, then press Stop /  Save.";
    AfxMessageBox(status, MB_OK);
    return false;
}
