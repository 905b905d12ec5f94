// The Video Controls: the preview switch and the capture driver's own dialogs.
#include "KinoreeV2Dlg.h"
#include "capture_requests.h"

// The text names the state the press has just set, and changes even without a capture window.
void CKinoreeV2Dlg::OnPreviewToggle() {
    if (m_nPreviewToggle == 0) {
        m_btnPreview.SetWindowTextW(L"Preview OFF");
        SendCap(WM_CAP_SET_PREVIEW, FALSE, 0);
        m_nPreviewToggle = 1;
    } else if (m_nPreviewToggle == 1) {
        m_btnPreview.SetWindowTextW(L"Preview ON");
        SendCap(WM_CAP_SET_PREVIEW, TRUE, 0);
        m_nPreviewToggle = 0;
    }
}

void CKinoreeV2Dlg::OnVideoSource() { SendCap(WM_CAP_DLG_VIDEOSOURCE, 0, 0); }

void CKinoreeV2Dlg::OnVideoFormat() { SendCap(WM_CAP_DLG_VIDEOFORMAT, 0, 0); }

void CKinoreeV2Dlg::OnVideoCompression() { SendCap(WM_CAP_DLG_VIDEOCOMPRESSION, 0, 0); }

void CKinoreeV2Dlg::OnVideoSettings() { SendCap(WM_CAP_DLG_VIDEODISPLAY, 0, 0); }
