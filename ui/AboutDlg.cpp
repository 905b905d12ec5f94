#include "AboutDlg.h"

#include "web_links.h"

#include "shellapi.h"

CAboutDlg::CAboutDlg() : CDialog(CAboutDlg::IDD) {}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
ON_BN_CLICKED(1012, OnWebsite)
END_MESSAGE_MAP()

// The box stays open: the page opens in the browser beside it.
void CAboutDlg::OnWebsite() { ShellExecuteW(m_hWnd, L"open", kHomePageAddress, nullptr, nullptr, SW_HIDE); }
