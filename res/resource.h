// Resource IDs of LumoHostID.exe, shared by LumoHostID.rc and the dialogs' code.
#pragma once

#define IDR_MAINFRAME 5            // icon group of the application
#define IDD_LUMOHOSTID_DIALOG 129  // main dialog
#define IDR_MAIN_MENU 130          // main dialog's menu
#define IDD_INFO_DIALOG 132        // about dialog
#define IDB_INFO_BANNER 134        // about dialog's picture

// Main dialog.
#define IDC_COMPUTER_NAME 1000
#define IDC_HOST_ID 1001

// About dialog.
#define IDC_INFO_VERSION 1006
#define IDC_INFO_PICTURE 1008
#define IDC_INFO_COMPANY 1039
#define IDC_INFO_COPYRIGHT 1068
#define IDC_INFO_DESCRIPTION 1072
#define IDC_INFO_SEPARATOR 1128
#define IDC_INFO_STREET 1129
#define IDC_INFO_PHONE 1130
#define IDC_INFO_TOWN 1131
#define IDC_INFO_FAX 1132
#define IDC_INFO_COUNTRY 1133
#define IDC_INFO_MAIL 1134
#define IDC_INFO_WEB 1135

// Menu command of the "Info" menu.
#define ID_INFO_ABOUT 32772
