#include "KinoreeV2Dlg.h"

#include "AboutDlg.h"
#include "web_links.h"

#include "shellapi.h"
#include "vfw.h"

CKinoreeV2Dlg::CKinoreeV2Dlg(CWnd* pParent)
    : CDialog(CKinoreeV2Dlg::IDD, pParent),
      m_strFileName(L""),
      m_strStatus(L""),
      m_nFramesCaptured(0),
      m_bFileChosen(false) {
    m_hIcon = LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APPICON));
}

void CKinoreeV2Dlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1009, m_spinFrameRate);
    DDX_Text(pDX, 1011, m_strFileName);
    DDX_Text(pDX, 1010, m_strStatus);
    DDX_Text(pDX, 1007, m_nFramesCaptured);
    DDX_Control(pDX, 1002, m_btnPreview);
    DDX_Control(pDX, 1003, m_btnSource);
    DDX_Control(pDX, 1006, m_btnVideoSettings);
    DDX_Control(pDX, 1005, m_btnCompression);
    DDX_Control(pDX, 1004, m_btnVideoFormat);
}

BEGIN_MESSAGE_MAP(CKinoreeV2Dlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_COMMAND(32772, OnHelpAbout)
ON_COMMAND(32773, OnSetCaptureFile)
ON_BN_CLICKED(1000, OnCaptureSingleFrame)
ON_BN_CLICKED(1001, OnStopSave)
// The capture window (identifier 0) asks for a shot from its large view, or tells of an edit.
ON_CONTROL(CAPN_SHOOT, 0, OnCaptureSingleFrame)
ON_CONTROL(CAPN_FRAMES_CHANGED, 0, OnCaptureFramesChanged)
ON_BN_CLICKED(1006, OnVideoSettings)
ON_BN_CLICKED(1003, OnVideoSource)
ON_BN_CLICKED(1004, OnVideoFormat)
ON_BN_CLICKED(1005, OnVideoCompression)
ON_BN_CLICKED(1002, OnPreviewToggle)
ON_BN_CLICKED(IDOK, OnQuit)
ON_COMMAND(32774, OnQuit)
ON_COMMAND(32775, OnCheckWebsite)
END_MESSAGE_MAP()

BOOL CKinoreeV2Dlg::OnInitDialog() {
    CDialog::OnInitDialog();

    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu != nullptr) {
        CString strAboutMenu;
        strAboutMenu.LoadStringW(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            pSysMenu->AppendMenuW(MF_SEPARATOR);
            pSysMenu->AppendMenuW(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    SetupCaptureWindow(this);

    m_spinFrameRate.SetRange(1, 60);
    m_spinFrameRate.SetPos(15);

    // The box names the file a recording will really write.
    m_strFileName = CaptureFilePath();
    UpdateData(FALSE);

    m_nPreviewToggle = 1;
    m_btnPreview.SetWindowTextW(L"Preview --");

    return TRUE;
}

void CKinoreeV2Dlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

// Draws the icon while the dialog is minimised, where the system shows the window's client
// area; otherwise the dialog paints itself.
void CKinoreeV2Dlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

        int cxIcon = GetSystemMetrics(SM_CXICON);
        int cyIcon = GetSystemMetrics(SM_CYICON);
        CRect rect;
        GetClientRect(&rect);
        int x = (rect.Width() - cxIcon + 1) / 2;
        int y = (rect.Height() - cyIcon + 1) / 2;

        dc.DrawIcon(x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

HCURSOR CKinoreeV2Dlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CKinoreeV2Dlg::OnHelpAbout() {
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
}

void CKinoreeV2Dlg::OnCheckWebsite() {
    ShellExecuteW(m_hWnd, L"open", kProductInfoPageAddress, nullptr, nullptr, SW_HIDE);
}
