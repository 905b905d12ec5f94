// Dialog data exchange: members to controls and back.
#include "afxwin.h"

#include <string>

namespace {
struct ExchangeFailed {};
}  // namespace

HWND CDataExchange::PrepareCtrl(int id) {
    HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
    if (!control) {
        std::wstring message = L"The dialog has no control " + std::to_wstring(id) + L".";
        Fail(message.c_str());
    }
    return control;
}

void CDataExchange::Fail(LPCWSTR message) {
    if (message) AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    throw ExchangeFailed{};
}

// DDX_Control: binds the control object to the dialog's control once.
void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.m_hWnd) return;
    HWND handle = dx->PrepareCtrl(id);
    if (!control.SubclassWindow(handle)) dx->Fail(L"A control is bound to two objects.");
}

void DDX_Text(CDataExchange* dx, int id, CString& value) {
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        int length = GetWindowTextLengthW(control);
        GetWindowTextW(control, value.GetBuffer(length), length + 1);
        value.ReleaseBuffer();
    } else {
        SetWindowTextW(control, value);
    }
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
    HWND control = dx->PrepareCtrl(id);
    if (!dx->m_bSaveAndValidate) {
        SetWindowTextW(control, std::to_wstring(value).c_str());
        return;
    }
    WCHAR text[64] = {};
    GetWindowTextW(control, text, 64);
    std::wstring digits = text;
    size_t start = digits.find_first_not_of(L" \t");
    size_t end = digits.find_last_not_of(L" \t");
    digits = start == std::wstring::npos ? L"" : digits.substr(start, end - start + 1);
    try {
        size_t used = 0;
        long long parsed = std::stoll(digits, &used);
        if (used == digits.size() && parsed >= INT32_MIN && parsed <= INT32_MAX) {
            value = static_cast<int>(parsed);
            return;
        }
    } catch (const std::exception&) {
    }
    SetFocus(control);
    dx->Fail(L"Please enter an integer.");
}

// UpdateData: the whole exchange, in the order DoDataExchange lists it. A failed exchange
// stops at the bad control and returns FALSE.
BOOL CWnd::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
        return TRUE;
    } catch (const ExchangeFailed&) {
        return FALSE;
    }
}
