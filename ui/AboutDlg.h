// The About box: name, version, notice, the home page's address and the logo.
#pragma once

#include "afxwin.h"
#include "resource.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override;

    enum { IDD = IDD_ABOUTBOX };

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnWebsite();

    DECLARE_MESSAGE_MAP()
};
