// comdlg32: the common file dialog.
#pragma once

#include "windef.h"

struct OPENFILENAMEW {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCWSTR lpstrFilter;  // pairs of NUL-terminated label and pattern, ended by an empty string
    LPWSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPWSTR lpstrFile;  // in: initial name; out: the chosen path
    DWORD nMaxFile;    // characters lpstrFile holds, its terminating NUL included
    LPWSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCWSTR lpstrInitialDir;
    LPCWSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCWSTR lpstrDefExt;
    LPARAM lCustData;
    void* lpfnHook;
    LPCWSTR lpTemplateName;
};
typedef OPENFILENAMEW* LPOPENFILENAMEW;

#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_EXPLORER 0x00080000

BOOL GetSaveFileNameW(LPOPENFILENAMEW ofn);
BOOL GetOpenFileNameW(LPOPENFILENAMEW ofn);
DWORD CommDlgExtendedError();

#define FNERR_BUFFERTOOSMALL 0x3003
