// The framework's common dialogs.
#pragma once

#include "afxwin.h"
#include "commdlg.h"

class CFileDialog : public CDialog {
public:
    // filter: "Label|pattern|...|" as the framework writes it.
    CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension = nullptr, LPCWSTR fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCWSTR filter = nullptr, CWnd* parent = nullptr);

    INT_PTR DoModal() override;
    CString GetPathName() const;

    OPENFILENAMEW m_ofn{};

private:
    BOOL m_bOpenFileDialog;
    std::wstring m_filter;  // converted to NUL-separated pairs
    std::wstring m_defaultExtension;
    WCHAR m_fileBuffer[260] = {};
};
