// The two web addresses the program opens: the home page and, on the same host, the product
// information page.
#pragma once

#include "windef.h"

#define KINOREE_WEB_HOST L"http://www.orvane.example"

inline constexpr LPCWSTR kHomePageAddress = KINOREE_WEB_HOST;
inline constexpr LPCWSTR kProductInfoPageAddress = KINOREE_WEB_HOST L"/kinoreeinfo.html";
