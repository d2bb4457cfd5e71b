// Resource and command identifiers, shared by the resource script and the code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128
#define IDD_WAIT 129
#define IDC_REPORT_EDIT 1000
#define IDC_NET_DIAG 1001
#define IDC_NET_PROGRESS 1002
#define IDC_SAVE 3
#define IDC_STATUS_TEXT -1
#define IDM_ABOUTBOX 0x0010
#define ID_REPORT_DONE 1200
