// The Win32 API as this program uses it, on Linux.
#pragma once

#include "windef.h"
#include "winuser.h"
#include "kernel32/files.h"
#include "kernel32/resource.h"
#include "user32/resource_formats.h"
