// Identifiers of the module's resources, shared by the resource script and the program.
#pragma once

#define IDM_ABOUTBOX 0x0010
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINMENU 129
#define IDI_APPICON 131
#define IDB_ABOUT 136
