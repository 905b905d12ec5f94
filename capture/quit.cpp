// Quit and File > Quit: the orderly way out, which finishes an open recording.
#include "KinoreeV2Dlg.h"
#include "capture_requests.h"

void CKinoreeV2Dlg::OnQuit() {
    if (AfxMessageBox(L"Are you sure you want to quit", MB_OKCANCEL) != IDOK) return;

    UpdateData(TRUE);
    m_strStatus = L"Stopped and saved file to desired location";
    UpdateData(FALSE);

    SendCap(WM_CAP_STOP, 0, 0);
    SendCap(WM_CAP_SINGLE_FRAME_CLOSE, 0, 0);
    SendCap(WM_CAP_DRIVER_DISCONNECT, 0, 0);

    CDialog::OnOK();
}
