#include "video_controls.h"

void EnableVideoControls(CKinoreeV2Dlg& dialog, BOOL enable) {
    dialog.m_btnSource.EnableWindow(enable);
    dialog.m_btnPreview.EnableWindow(enable);
    dialog.m_btnCompression.EnableWindow(enable);
    dialog.m_btnVideoFormat.EnableWindow(enable);
    dialog.m_btnVideoSettings.EnableWindow(enable);
}

bool RecordingOpen(const CKinoreeV2Dlg& dialog) { return !dialog.m_btnSource.IsWindowEnabled(); }
