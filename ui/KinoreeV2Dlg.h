// The main dialog: live preview, capture buttons, video controls, frame rate and the three
// read-only boxes.
#pragma once

#include "afxcmn.h"
#include "afxwin.h"
#include "resource.h"

class CKinoreeV2Dlg : public CDialog {
public:
    explicit CKinoreeV2Dlg(CWnd* parent = nullptr);

    enum { IDD = IDD_MAIN };

    // 1: the next press of the preview button turns the preview on; 0: it turns it off.
    int m_nPreviewToggle;
    HICON m_hIcon;
    CSpinButtonCtrl m_spinFrameRate;
    CString m_strFileName;
    // A file chosen while a recording is open: the frames go on to the open file, and the
    // choice applies from the stop on. Empty when there is none.
    CString m_strNextFileName;
    CString m_strStatus;
    int m_nFramesCaptured;
    CButton m_btnPreview;
    bool m_bFileChosen;
    CButton m_btnSource;
    CButton m_btnVideoSettings;
    CButton m_btnCompression;
    CButton m_btnVideoFormat;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnHelpAbout();
    afx_msg void OnSetCaptureFile();
    afx_msg void OnCaptureSingleFrame();
    afx_msg void OnStopSave();
    // The capture window's word that the recording's frame count changed without a press.
    afx_msg void OnCaptureFramesChanged();
    afx_msg void OnVideoSettings();
    afx_msg void OnVideoSource();
    afx_msg void OnVideoFormat();
    afx_msg void OnVideoCompression();
    afx_msg void OnPreviewToggle();
    afx_msg void OnQuit();
    // Escape and the close box.
    void OnCancel() override;
    afx_msg void OnCheckWebsite();

    DECLARE_MESSAGE_MAP()
};

// The capture set-up the dialog starts with (capture/capture_setup.cpp; the program links both):
// creating and connecting the capture window, with the capture defaults.
BOOL SetupCaptureWindow(CWnd* pDialog);
// The file a recording will write: the capture window's capture file, or the platform's
// default when there is no capture window.
CString CaptureFilePath();
