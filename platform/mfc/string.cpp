#include "afxstr.h"

#include "user32_private.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

void CString::Format(LPCWSTR format, ...) {
    std::vector<WCHAR> buffer(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        int written = std::vswprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (written >= 0 && static_cast<size_t>(written) < buffer.size()) {
            m_text.assign(buffer.data(), static_cast<size_t>(written));
            return;
        }
        // vswprintf reports a short buffer as an error, without the size it would need.
        if (buffer.size() > (1u << 20)) {
            m_text.clear();
            return;
        }
        buffer.resize(buffer.size() * 4);
    }
}

BOOL CString::LoadStringW(UINT id) {
    m_text = user32::LoadStringText(nullptr, id);
    return !m_text.empty();
}

LPWSTR CString::GetBuffer(int minLength) {
    if (minLength > GetLength()) m_text.resize(static_cast<size_t>(minLength));
    return m_text.data();
}

void CString::ReleaseBuffer(int newLength) {
    size_t length = newLength < 0 ? std::wcslen(m_text.c_str()) : static_cast<size_t>(newLength);
    m_text.resize(std::min(length, m_text.size()));
}
