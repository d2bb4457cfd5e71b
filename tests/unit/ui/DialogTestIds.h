#pragma once
#define IDD_PROBE 500
#define IDC_PROBE_BUTTON 10
#define IDC_PROBE_EDIT 11
