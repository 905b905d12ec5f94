// CString: the framework's wide string.
#pragma once

#include "windef.h"

#include <string>

class CString {
public:
    CString() = default;
    CString(LPCWSTR text) : m_text(text ? text : L"") {}
    CString(const std::wstring& text) : m_text(text) {}

    operator LPCWSTR() const { return m_text.c_str(); }
    const std::wstring& str() const { return m_text; }

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }

    // printf-style formatting into this string; wide strings are %ls, as with swprintf.
    void Format(LPCWSTR format, ...);
    // Loads string `id` of the module's string table; false (and empty) when it is absent.
    BOOL LoadStringW(UINT id);

    // A writable buffer of at least minLength characters plus a terminator; ReleaseBuffer
    // takes the text back up to its terminator.
    LPWSTR GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    CString& operator=(LPCWSTR text) {
        m_text = text ? text : L"";
        return *this;
    }
    CString& operator+=(const CString& other) {
        m_text += other.m_text;
        return *this;
    }
    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_text + b.m_text); }
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, LPCWSTR b) { return a.m_text == (b ? b : L""); }

private:
    std::wstring m_text;
};
