// Identifiers of the program's resources, shared by res/velkor.rc and the
// Windows front end.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128
#define IDC_LOG 1000
#define IDC_FIX_HTML 1004
#define IDC_ARCHIVE 1005

// A system-menu command: the low four bits of such ids belong to the system.
#define IDM_ABOUTBOX 0x0010
