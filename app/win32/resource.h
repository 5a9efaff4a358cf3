// Resource and control ids of morvane.exe, shared by the resource script and the code.
#pragma once

#define IDC_STATIC (-1)

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MORVANE_DIALOG 102
#define IDR_MAINFRAME 128

// Dialog template 102.
#define IDC_CONVERT 1011
#define IDC_NTSC_DROP_FRAME 1013
#define IDC_PAL 1014
#define IDC_BROWSE_SOURCE 1015
#define IDC_SOURCE_PATH 1016
#define IDC_NTSC_NON_DROP 1017
#define IDC_DESTINATION_PATH 1018
#define IDC_BROWSE_DESTINATION 1019
#define IDC_PROGRESS 1021
#define IDC_STATUS 1039
#define IDC_FRAME 1040
#define IDC_REXEDIT 1041
#define IDC_EZEDIT 1042

// Dialog template 100: the lines whose text is set when the box opens.
#define IDC_ABOUT_VERSION 1050
#define IDC_ABOUT_NOTICE 1051
#define IDC_ABOUT_WEB 1052
#define IDC_ABOUT_MAIL 1053

// The system menu's about item, and its "Media folders..." item.
#define IDM_ABOUTBOX 0x0010
#define IDM_MEDIAFOLDERS 0x0020
