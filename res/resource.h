// Resource and control ids, shared by the resource script and the code.
// The numbers are the ones the program is known by; keep them as they are.
#pragma once

// Strings
#define IDS_OWNER_TITLE 103   // "Setup"
#define IDS_OWNER_CLASS 109   // "HALLO"

// Images
#define IDI_PROGRAM 108
#define IDB_BANNER 137
#define IDB_BANNER_2X 138   // the banner at twice the size, scaled to the screen's DPI
#define IDC_LINK_CURSOR 153

// Main dialog
#define IDD_MAIN 133
#define IDC_TAB_CONVERTER 1083
#define IDC_TAB_CPU 1085
#define IDC_TAB_FPU 1086
#define IDC_TAB_LANGUAGE 1087
#define IDC_TAB_ABOUT 1088
#define IDC_TAB_EXTRAS 1089
#define IDC_BANNER 1090
#define IDC_BANNER_TEXT 1081
#define IDC_BANNER_TEXT2 1082
#define IDC_PAGE_PLACEHOLDER 1011
#define IDC_MAIN_PROGRESS 1004
#define IDC_QUIT_ALL 44444

// Converter page ("WILKOMMEN")
#define IDC_SOURCE_EDIT 1000
#define IDC_SOURCE_BROWSE 1001
#define IDC_TARGET_EDIT 1002
#define IDC_TARGET_BROWSE 1003
#define IDC_PROGRESS 1004
#define IDC_STATUS_LINE 1092
#define IDC_TIME_LINE 1093
#define IDC_CONVERT 1105
#define IDC_SOURCE_LABEL 3094
#define IDC_TARGET_LABEL 3095

// Language page ("SPRACHE")
#define IDC_ENGLISH 1103
#define IDC_DEUTSCH 1104

// About page ("IDD_INFO")
#define IDC_LINK 1070
#define IDC_ABOUT_LINE 1071
#define IDC_VERSION_LINE 1072
#define IDC_ABOUT_FRAME 3093

// Extras page ("XSTRAS")
#define IDC_RECOMMEND 2003
#define IDC_SEND_PROGRAM 2004
#define IDC_MORE_FREEWARE 2005

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
