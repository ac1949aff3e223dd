// Resource and command ids of Kestrowinda. Shared by the resource script and the code.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_MAIN 102
#define IDD_PAGE_MSW1 129
#define IDD_PAGE_MSW2 130
#define IDD_PAGE_MSW3 131
#define IDD_PAGE_MSW4 132
#define IDD_PAGE_HARDWARE 133
#define IDD_PAGE_SELECT 134
#define IDD_PRINTER_SELECT 152
#define IDD_FORM 182

// Icon, menu, accelerators, bitmaps
#define IDR_MAINFRAME 128
#define IDR_MAINMENU 142
#define IDB_TOOLBAR 150
#define IDB_MENU_LOAD 160
#define IDB_MENU_SAVE 161
#define IDB_MENU_SEND 162
#define IDB_MENU_FACTORY 163
#define IDB_MENU_PRINTER 164
#define IDB_MENU_HARDWARE 165
#define IDB_MENU_MSW 166
#define IDB_MENU_SELECT 167
#define IDB_TABS 168

// Initial data of dialog templates (combo box lists)
#define RT_KW_DLGINIT 240

// Menu and accelerator commands
#define ID_APP_ABOUT 16
#define ID_PAGE_SELECT 32771
#define ID_PAGE_MSW1 32773
#define ID_PAGE_MSW2 32778
#define ID_PAGE_MSW3 32779
#define ID_PAGE_MSW4 32780
#define ID_LOAD_SETTINGS 32781
#define ID_SAVE_SETTINGS 32782
#define ID_APP_EXIT 32783
#define ID_SEND_TO_PRINTER 32784
#define ID_FACTORY_SETTINGS 32785
#define ID_SELECT_PRINTER 32798
#define ID_RECEIVE_FROM_PRINTER 32803
#define ID_DATA_CHECK 32805
#define ID_HELP_CONTENTS 32806
#define ID_PAGE_HARDWARE 32810

// Toolbar buttons and their tooltip strings
#define ID_TB_LOAD 2000
#define ID_TB_SAVE 2001
#define ID_TB_RECEIVE 2002
#define ID_TB_SEND 2003
#define ID_TB_FACTORY 2004
#define ID_TB_PRINTER 2005
#define IDC_TOOLBAR 2016
#define IDC_STATUSBAR 2016

// Main window
#define IDC_TAB 1000

// About box
#define IDC_VERSION 1238

// Printer-selection dialog
#define IDC_PRINTER_LIST 1069

// Function-selection page (template 134)
#define IDC_SEL_TYPEFACE_MINCHO 1044
#define IDC_SEL_TYPEFACE_GOTHIC 1018
#define IDC_SEL_QUIET_OFF 1043
#define IDC_SEL_QUIET_ON 1009
#define IDC_SEL_FORM 1056
#define IDC_SEL_FORM_SETTINGS 1002
#define IDC_SEL_KANJI_TABLE 1066
#define IDC_SEL_FONT1 1058
#define IDC_SEL_FONT2 1059
#define IDC_SEL_CUTSHEET_FIXED 1067
#define IDC_SEL_CUTSHEET_FREE 1012
#define IDC_SEL_POSTCARD_OFF 1065
#define IDC_SEL_POSTCARD_ON 1015

// Form-settings dialog (template 182)
#define IDC_FORM_FRONT_SLIDER 1094
#define IDC_FORM_FRONT_EDIT 1060
#define IDC_FORM_FRONT_SPIN 1099
#define IDC_FORM_REAR_SLIDER 1100
#define IDC_FORM_REAR_EDIT 1200
#define IDC_FORM_REAR_SPIN 1101
#define IDC_FORM_GUIDE_SLIDER 1095
#define IDC_FORM_GUIDE_EDIT 1062
#define IDC_FORM_GUIDE_SPIN 1098
#define IDC_FORM_FEEDER_SLIDER 1102
#define IDC_FORM_FEEDER_EDIT 1066
#define IDC_FORM_FEEDER_SPIN 1103
#define IDC_FORM_POSTCARD_SLIDER 1096
#define IDC_FORM_POSTCARD_EDIT 1064
#define IDC_FORM_POSTCARD_SPIN 1065
#define IDC_FORM_PAGE_LENGTH_EDIT 1054
#define IDC_FORM_PAGE_LENGTH_SPIN 1097
#define IDC_FORM_LEFT_LABEL 1209
#define IDC_FORM_LEFT_EDIT 1201
#define IDC_FORM_LEFT_SPIN 1203
#define IDC_FORM_LEFT_UNIT 1210
#define IDC_FORM_RIGHT_LABEL 1211
#define IDC_FORM_RIGHT_EDIT 1202
#define IDC_FORM_RIGHT_SPIN 1204
#define IDC_FORM_RIGHT_UNIT 1212
#define IDC_FORM_CUTSHEET_EDIT 1061
#define IDC_FORM_CUTSHEET_SPIN 1063

// The memory-switch and hardware pages use the numeric ids of their templates directly;
// the same numbers mean different controls on different pages.

#ifndef IDC_STATIC
#define IDC_STATIC 65535
#endif
