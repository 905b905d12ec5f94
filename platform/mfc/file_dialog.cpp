// CFileDialog on GetSaveFileNameW / GetOpenFileNameW.
#include "afxdlgs.h"

#include "user32_private.h"

#include <algorithm>

CFileDialog::CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags, LPCWSTR filter,
                         CWnd* parent)
    : CDialog(0, parent), m_bOpenFileDialog(openFileDialog) {
    if (defaultExtension) m_defaultExtension = defaultExtension;
    // The framework's filter separates with '|'; the platform's with NUL.
    if (filter) {
        m_filter = filter;
        std::replace(m_filter.begin(), m_filter.end(), L'|', L'\0');
    }
    if (fileName) {
        user32::CopyTruncated(fileName, m_fileBuffer, std::size(m_fileBuffer));
    }
    m_ofn.lStructSize = sizeof(OPENFILENAMEW);
    m_ofn.lpstrFile = m_fileBuffer;
    m_ofn.nMaxFile = static_cast<DWORD>(std::size(m_fileBuffer));
    m_ofn.lpstrDefExt = m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str();
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.Flags = flags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal() {
    if (!m_ofn.hwndOwner) {
        CWnd* owner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
        m_ofn.hwndOwner = owner ? owner->m_hWnd : nullptr;
    }
    BOOL chosen = m_bOpenFileDialog ? GetOpenFileNameW(&m_ofn) : GetSaveFileNameW(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const { return CString(m_ofn.lpstrFile); }
