// Resource and command ids of the desktop program.
#pragma once

#define IDR_MAINFRAME 128   // frame: menu, icon, accelerators, title; main dialog menu
#define IDI_KESTRIX 128
#define IDR_TRAYMENU 140

#define IDD_ABOUTBOX 100
#define IDD_SCAN 102
#define IDD_OPTIONS 142

// Main dialog
#define IDC_DETECT 1000
#define IDC_REMOVE 1001
#define IDC_REGISTRY_LIST 1002
#define IDC_PROCESS_LIST 1003
#define IDC_REGISTRY_LABEL 1004
#define IDC_PROCESS_LABEL 1005

// About box
#define IDC_HOLDER_LINK 1006
#define IDC_WEB_LINK 1007

// Options dialog
#define IDC_SILENT 1013
#define IDC_MONITOR 1014
#define IDC_LOG 1015
#define IDC_AUTOSCAN 1016
#define IDC_INTERVAL 1020

// Main dialog menu
#define ID_ABOUT 32775
#define ID_OPTIONS 32776
#define ID_DETECT 32785

// Tray menu
#define ID_TRAY_OPTIONS 32779
#define ID_TRAY_DETECT 32782
#define ID_TRAY_ABOUT 32783
#define ID_TRAY_OPEN 32788
#define ID_TRAY_UNINSTALL 32790
#define ID_TRAY_EXIT 32792

// Strings
#define IDS_TITLE 57344
#define IDS_REMOVAL_SUCCEEDED 57345
#define IDS_REMOVAL_ERRORS 57346
#define IDS_NOT_DETECTED 57347
#define IDS_COCREATE_FAILED 57348
