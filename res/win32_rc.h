// The Win32 constants the resource script uses. The platform's own headers serve the script
// as they serve the program (the resource compiler sees only their macros); what the program
// never needs is defined here.
#pragma once

#include "commctrl.h"
#include "windef.h"
#include "winuser.h"
#include "winver.h"

// Font character sets (wingdi.h).
#define DEFAULT_CHARSET 1

// Resource types without a keyword of their own.
#define RT_MANIFEST 24
#define CREATEPROCESS_MANIFEST_RESOURCE_ID 1
