// Quit and File > Quit: the orderly way out, which finishes an open recording.
#include "KinoreeV2Dlg.h"
#include "capture_window.h"
#include "capture_errors.h"
#include "recording_rescue.h"
#include "video_controls.h"

void CKinoreeV2Dlg::OnQuit() {
    if (AfxMessageBox(L"Are you sure you want to quit", MB_OKCANCEL) != IDOK) return;

    UpdateData(TRUE);
    m_strStatus = L"Stopped and saved file to desired location";
    UpdateData(FALSE);

    TakeLastCaptureError();
    SendCap(WM_CAP_STOP, 0, 0);
    SendCap(WM_CAP_SINGLE_FRAME_CLOSE, 0, 0);
    if (!SaveKeptRecording(m_strStatus)) {
        UpdateData(FALSE);
        return;
    }
    SendCap(WM_CAP_DRIVER_DISCONNECT, 0, 0);

    CDialog::OnOK();
}

// Escape and the close box end the dialog without shutting capture down. The capture window would
// finish an open recording as it goes; it is finished here first, so that frames its path will
// not take are saved elsewhere, or the dialog stays with them.
void CKinoreeV2Dlg::OnCancel() {
    if (RecordingOpen(*this)) {
        TakeLastCaptureError();
        SendCap(WM_CAP_SINGLE_FRAME_CLOSE, 0, 0);
        if (!SaveKeptRecording(m_strStatus)) {
            UpdateData(FALSE);
            return;
        }
    }
    CDialog::OnCancel();
}
