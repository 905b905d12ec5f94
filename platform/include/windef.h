// Basic Win32 types as the program sees them on Linux. The resource compiler (RC_INVOKED)
// sees only the macros.
//
// Wide strings are wchar_t (32-bit here): the program only passes them around, and the
// resource loader turns the resources' UTF-16 into wchar_t as it reads them. 32-bit
// Windows types keep their 32-bit width; pointer-sized ones follow the pointer.
#pragma once

#ifndef RC_INVOKED
#include <cstddef>
#include <cstdint>

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef unsigned int UINT;
typedef int INT;
typedef short SHORT;
typedef wchar_t WCHAR;
typedef char CHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;
typedef intptr_t LONG_PTR;
typedef WORD LANGID;
typedef DWORD COLORREF;
typedef void* HANDLE;

#endif  // RC_INVOKED

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define DECLARE_HANDLE(name) \
    struct name##__ {        \
        int unused;          \
    };                       \
    typedef struct name##__* name

#ifndef RC_INVOKED
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HICON);
DECLARE_HANDLE(HBITMAP);
DECLARE_HANDLE(HDC);
DECLARE_HANDLE(HINSTANCE);
DECLARE_HANDLE(HRSRC);
DECLARE_HANDLE(HGLOBAL);
typedef HICON HCURSOR;
typedef HINSTANCE HMODULE;

#define CALLBACK
#define WINAPI

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
typedef RECT* LPRECT;

struct POINT {
    LONG x;
    LONG y;
};

struct SIZE {
    LONG cx;
    LONG cy;
};
#endif  // RC_INVOKED

#define MAKEWORD(lo, hi) ((WORD)(((BYTE)((lo)&0xff)) | ((WORD)((BYTE)((hi)&0xff))) << 8))
#define MAKELONG(lo, hi) ((LONG)(((WORD)((lo)&0xffff)) | ((DWORD)((WORD)((hi)&0xffff))) << 16))
#define LOWORD(l) ((WORD)(((DWORD_PTR_CAST(l))) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR_CAST(l))) >> 16) & 0xffff))
#define DWORD_PTR_CAST(l) ((uintptr_t)(l))
#define MAKEWPARAM(lo, hi) ((WPARAM)(DWORD)MAKELONG(lo, hi))
#define MAKELPARAM(lo, hi) ((LPARAM)(DWORD)MAKELONG(lo, hi))
#define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)

#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_ENGLISH_US 0x01
#define SUBLANG_ENGLISH_UK 0x02
