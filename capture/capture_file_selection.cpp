// File > Set Capture File: the AVI file the next recording writes.
#include "capture_file_selection.h"

#include "afxdlgs.h"
#include "capture_setup.h"
#include "capture_requests.h"
#include "video_controls.h"

#include <vector>

namespace {
// Room for the longest path the system takes, so that no path the user can choose is refused.
constexpr DWORD kPathRoom = 32768;

// The capture window and the File Name box always name the same file.
void UseCaptureFile(CKinoreeV2Dlg& dialog, const CString& path) {
    SendCap(WM_CAP_FILE_SET_CAPTURE_FILEW, 0, reinterpret_cast<LPARAM>(static_cast<LPCWSTR>(path)));
    dialog.m_strFileName = path;
}
}  // namespace

void ApplyNextCaptureFile(CKinoreeV2Dlg& dialog) {
    if (dialog.m_strNextFileName.IsEmpty()) return;
    UseCaptureFile(dialog, dialog.m_strNextFileName);
    dialog.m_strNextFileName.Empty();
}

void CKinoreeV2Dlg::OnSetCaptureFile() {
    // No overwrite prompt: the recording's own start asks before it replaces a video.
    CFileDialog dialog(FALSE, L"AVI", nullptr, 0, L"Video files (*.avi)|*.avi|");
    std::vector<WCHAR> path(kPathRoom, L'\0');
    dialog.m_ofn.lpstrFile = path.data();
    dialog.m_ofn.nMaxFile = kPathRoom;
    dialog.m_ofn.lpstrTitle = L"Save Dovarederu Video as..";

    INT_PTR result = dialog.DoModal();
    if (result == IDOK) {
        if (RecordingOpen(*this)) {
            // The open recording's frames keep going to its file, which the box goes on naming.
            m_strNextFileName = path.data();
            m_strStatus = CString(L"The new file applies from the next recording: ") + m_strNextFileName;
        } else {
            UseCaptureFile(*this, path.data());
        }
        m_bFileChosen = true;
        UpdateData(FALSE);
    } else if (result == IDCANCEL) {
        // The message names the file in the box: no other choice may be waiting behind it.
        m_strNextFileName.Empty();
        if (m_bFileChosen) {
            AfxMessageBox(L"As you have not selected a file, Kinoree will use the one in the File Name box..", MB_OK);
        } else {
            AfxMessageBox(CString(L"No save file entered.  Using default ") + CaptureFilePath() + L" ", MB_OK);
        }
    }
}
