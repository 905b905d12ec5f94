// File > Set Capture File: the AVI file the next recording writes.
#include "KinoreeV2Dlg.h"
#include "afxdlgs.h"
#include "capture_setup.h"
#include "capture_window.h"

#include <vector>

namespace {
// Room for the longest path the system takes, so that no path the user can choose is refused.
constexpr DWORD kPathRoom = 32768;
}  // namespace

void CKinoreeV2Dlg::OnSetCaptureFile() {
    // No overwrite prompt: the recording's own start asks before it replaces a video.
    CFileDialog dialog(FALSE, L"AVI", nullptr, 0, L"Video files (*.avi)|*.avi|");
    std::vector<WCHAR> path(kPathRoom, L'\0');
    dialog.m_ofn.lpstrFile = path.data();
    dialog.m_ofn.nMaxFile = kPathRoom;
    dialog.m_ofn.lpstrTitle = L"Save Dovarederu Video as..";

    INT_PTR result = dialog.DoModal();
    if (result == IDOK) {
        SendCap(WM_CAP_FILE_SET_CAPTURE_FILEW, 0, reinterpret_cast<LPARAM>(path.data()));
        m_strFileName = path.data();
        m_bFileChosen = true;
        UpdateData(FALSE);
    } else if (result == IDCANCEL) {
        if (m_bFileChosen) {
            AfxMessageBox(L"As you have not selected a file, Kinoree will use the one in the File Name box..", MB_OK);
        } else {
            AfxMessageBox(CString(L"No save file entered.  Using default ") + CaptureFilePath() + L" ", MB_OK);
        }
    }
}
