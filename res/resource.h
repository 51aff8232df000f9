// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDD_ABOUTBOX                100
#define IDS_ABOUTBOX                101
#define IDD_KAVROWALLPAPER_DIALOG   102
#define IDR_MAINFRAME               128
#define IDR_TRAY_MENU               129
#define IDR_LIST_MENU               130
#define IDB_BANNER                  131
#define IDD_OPTIONS                 133
#define IDD_PREVIEW                 134

#define IDC_STARTUPS_EDIT           1000
#define IDC_ADD_FILES               1002
#define IDC_LIST_FILES              1003
#define IDC_DELETE_FILES            1004
#define IDC_SET_WALLPAPER           1005
#define IDC_STATUS                  1006
#define IDC_PREVIEW_INFO            1006
#define IDC_PICK_RANDOM             1007
#define IDC_ABOUT                   1008
#define IDC_OPTIONS                 1009
#define IDC_TIMEOUT_SLIDER          1013
#define IDC_AUTO_EXIT               1015
#define IDC_HIDE                    1016
#define IDC_TIMEOUT_LABEL           1017
#define IDC_PREVIEW_PICTURE         1018
#define IDC_STARTUPS_SPIN           1023
#define IDC_RESIZE_PROPORTIONAL     1024
#define IDC_RESIZE_STRETCH          1025
#define IDC_RESIZE_NONE             1026
#define IDC_RESIZE_FILL             1027
#define IDC_RESIZE_FIT              1028
#define IDC_PICTURE_PER_SCREEN      1029
#define IDC_SHUFFLE                 1030
#define IDC_CHANGE_EVERY            1031
#define IDC_CHANGE_MINUTES          1032
#define IDC_CHANGE_SPIN             1033
#define IDC_PICK_HOTKEY             1034

#define ID_TRAY_SETTINGS            32771
#define ID_TRAY_EXIT                32773
#define ID_TRAY_PICK_RANDOM         32774
#define ID_TRAY_ABOUT               32775
#define ID_LIST_SET_WALLPAPER       32785
// "Set on screen 1" and on, one a monitor (at most 16).
#define ID_LIST_SET_ON_SCREEN       32800
#define ID_LIST_DELETE_FILES        32786

// System-menu command of the About entry; the low four bits must stay clear.
#define IDM_ABOUTBOX                0x0010
