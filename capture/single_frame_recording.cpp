// Recording: "Capture Single frame" adds one frame to the capture file, "Stop /  Save" closes
// the file as a finished video.
#include "single_frame_recording.h"

#include "KinoreeV2Dlg.h"
#include "capture_errors.h"
#include "capture_file_selection.h"
#include "capture_setup.h"
#include "capture_status.h"
#include "capture_requests.h"
#include "recording_rescue.h"
#include "video_controls.h"

int g_nFrameCount;

namespace {

const wchar_t kRecordingText[] = L"Recording single frames to capture file. PRESS STOP TO SAVE.";

// Whether the capture window has a driver to take frames from.
bool DriverConnected() {
    CAPDRIVERCAPS caps{};
    return SendCap(WM_CAP_DRIVER_GET_CAPS, sizeof caps, reinterpret_cast<LPARAM>(&caps)) && caps.fCaptureInitialized;
}

// The open of a new recording starts the capture file afresh: a video already there would be
// lost without a word.
bool MayReplaceCaptureFile() {
    // Without a capture window nothing is written, so nothing can be lost.
    if (!IsWindow(g_hWndCap)) return true;
    CString path = CaptureFilePath();
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    // Without a driver the capture window refuses the open and leaves the video as it is: a
    // question whose OK took no frame would only alarm.
    if (!DriverConnected()) return true;
    const LRESULT reply = SendCap(WM_CAP_FILE_GET_REPLACEMENT, 0, 0);
    const LRESULT replacement = reply & ~CAPFILE_HAS_STILLS;
    if (replacement == CAPFILE_IN_USE) {
        AfxMessageBox(CString(L"The file ") + path +
                          L" is being recorded by another window. Stop that recording first, or choose another file "
                          L"with File > Set Capture File.",
                      MB_OK);
        return false;
    }
    CString question = CString(L"The file ") + path + L" already exists. Replace it with the new recording?";
    if (replacement == CAPFILE_REPLACE_IN_PLACE) {
        question +=
            L"\nIts folder takes no new files, so the old video will be overwritten in place, without a "
            L"safety copy: should the computer stop while the first frame is written, it is lost.";
    }
    if (reply & CAPFILE_HAS_STILLS) {
        question += L"\nIts stills are not removed: they are kept aside in a numbered folder beside it.";
    }
    return AfxMessageBox(question, MB_OKCANCEL) == IDOK;
}

// The frame rate the up-down control shows. Its read-only buddy always holds the control's own
// number; should the control still flag the buddy as unreadable, its own position counts.
int FramesPerSecond(CKinoreeV2Dlg& dialog) {
    int reply = dialog.m_spinFrameRate.GetPos();
    return HIWORD(reply) == 0 ? reply : LOWORD(reply);
}

// Why a frame was not captured: the first failure the capture window told of during the press.
CString NoFrameText(std::wstring reason) {
    if (reason.empty()) reason = L"The capture device is not available.";
    return CString(L"No frame was captured. ") + CString(reason);
}

}  // namespace

void CKinoreeV2Dlg::OnCaptureSingleFrame() {
    const bool wasOpen = RecordingOpen(*this);
    if (!wasOpen && !MayReplaceCaptureFile()) return;

    EnableVideoControls(*this, FALSE);

    SetFrameInterval(static_cast<DWORD>(1000000 / FramesPerSecond(*this)));

    // Stale failures (the connect's at start-up, say) are not this press's reason.
    TakeLastCaptureError();
    TakeLastCaptureStatus();
    const BOOL opened = static_cast<BOOL>(SendCap(WM_CAP_SINGLE_FRAME_OPEN, 0, 0));
    std::wstring reason = TakeLastCaptureError();
    if (!opened && !wasOpen && IsWindow(g_hWndCap)) {
        // No recording began: the next press is a first press again, and asks before it replaces.
        EnableVideoControls(*this, TRUE);
        m_strStatus = NoFrameText(reason);
        UpdateData(FALSE);
        return;
    }
    // Only a frame the capture window confirms is in the file, so only such a frame counts.
    if (SendCap(WM_CAP_SINGLE_FRAME, 0, 0)) {
        g_nFrameCount = g_nFrameCount + 1;
        m_nFramesCaptured = g_nFrameCount;
        m_strStatus = kRecordingText;
        // Whatever else the capture window did for this frame (its file written back) comes first.
        std::wstring notice = TakeLastCaptureStatus();
        if (!notice.empty()) m_strStatus = CString(notice) + L" " + m_strStatus;
    } else {
        if (reason.empty()) reason = TakeLastCaptureError();
        // A stills camera answers at once and confirms the frame later: what it says is the state
        // of the press (a still being taken, or why the press was refused), not a failure.
        std::wstring state = TakeLastCaptureStatus();
        m_strStatus = reason.empty() && !state.empty() ? CString(state) : NoFrameText(reason);
    }

    UpdateData(FALSE);
}

void CKinoreeV2Dlg::OnStopSave() {
    if (AfxMessageBox(L"Are you sure you wish to stop and save ? You cannot add to this video in Kinoree if you choose "
                      L"Ok.",
                      MB_OKCANCEL) != IDOK) {
        return;
    }

    EnableVideoControls(*this, TRUE);

    TakeLastCaptureError();
    TakeLastCaptureStatus();
    SendCap(WM_CAP_STOP, 0, 0);
    SendCap(WM_CAP_SINGLE_FRAME_CLOSE, 0, 0);
    // A close with nothing open is no failure: only a reason tells of one.
    std::wstring reason;
    if (CaptureRecordingKept(reason)) {
        // The frames could not be put at the path, and are kept in the open recording instead.
        EnableVideoControls(*this, FALSE);
        m_strStatus.Format(L"Recorded %d Frames, not saved yet: ", g_nFrameCount);
        m_strStatus += CString(reason) + L" Press Stop /  Save again once the folder is writable.";
        UpdateData(FALSE);
        return;
    }
    if (reason.empty()) {
        m_strStatus.Format(L"Recorded %d Frames. Stoped and saved", g_nFrameCount);
    } else {
        m_strStatus.Format(L"Recorded %d Frames, but closing the file failed. ", g_nFrameCount);
        m_strStatus += CString(reason);
    }
    if (std::wstring notice = TakeLastCaptureStatus(); !notice.empty())
        m_strStatus = CString(notice) + L" " + m_strStatus;
    g_nFrameCount = 0;
    m_nFramesCaptured = 0;
    ApplyNextCaptureFile(*this);

    UpdateData(FALSE);
}

void CKinoreeV2Dlg::OnCaptureFramesChanged() {
    // The file's own count, so the box and the stop's report count what is saved after an edit.
    CAPSTATUS status{};
    if (!SendCap(WM_CAP_GET_STATUS, sizeof status, reinterpret_cast<LPARAM>(&status))) return;
    g_nFrameCount = static_cast<int>(status.dwCurrentVideoFrame);
    m_nFramesCaptured = g_nFrameCount;
    // A stills camera's press ended after it returned: its "taking a still" is over, and what
    // the capture window said of the ending (why no frame came) replaces it.
    const std::wstring ending = TakeLastCaptureStatus();
    if (RecordingOpen(*this)) m_strStatus = ending.empty() ? CString(kRecordingText) : CString(ending);
    UpdateData(FALSE);
}
