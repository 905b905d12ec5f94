// The Win32 API as this program uses it, on Linux.
#pragma once

#include "windef.h"
#include "winbase.h"
#include "winuser.h"
