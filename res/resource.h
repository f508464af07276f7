// Kestrel's resource ids, shared by the resource script and the code.
#ifndef KESTREL_RESOURCE_H
#define KESTREL_RESOURCE_H

// Icons
#define IDI_APPLICATION_ICON    100
#define IDI_TAB_VERSION         101
#define IDI_TAB_POWER           102
#define IDI_TAB_INDICATOR       103
#define IDI_TAB_OTHER           104
#define IDI_LOGO                105
#define IDI_AC_ADAPTER          106
#define IDI_BATTERY             107
#define IDI_GAUGE               117
#define IDI_TRAY_START          118

// Dialog templates
#define IDD_VERSION_PAGE        108
#define IDD_POWER_PAGE          109
#define IDD_INDICATOR_PAGE      110
#define IDD_OTHER_PAGE          111
#define IDD_INSTALL_ERROR       115

// Bitmaps and menu
#define IDB_SPLASH_LOW          112
#define IDB_SPLASH_HIGH         113
#define IDM_TRAY_MENU           114
#define IDB_MENU_BANNER         116

// Menu commands (the main window's command ids)
#define IDM_SHOW_MENU           40001
#define IDM_BANNER              40002
#define IDM_PROPERTIES          40003
#define IDM_HELP                40004
#define IDM_EXIT                40005

// Controls of the installation notice
#define IDC_NOTICE_ICON         1000
#define IDC_NOTICE_TEXT1        1001
#define IDC_NOTICE_TEXT2        1002

// String table
#define IDS_SHEET_CAPTION       1
#define IDS_PAGE_VERSION        2
#define IDS_PAGE_POWER          3
#define IDS_PAGE_INDICATOR      4
#define IDS_PAGE_OTHER          5
#define IDS_MODE_ACPI           6
#define IDS_MODE_APM            7
#define IDS_DRIVER_NORMAL       8
#define IDS_DRIVER_MISSING      9
#define IDS_FEATURE_SUPPORTED   10
#define IDS_FEATURE_ABSENT      11
#define IDS_FEATURE_UNKNOWN     12
#define IDS_POSITION_TOP_RIGHT  13
#define IDS_POSITION_TOP_LEFT   14
#define IDS_POSITION_BOTTOM_RIGHT 15
#define IDS_POSITION_BOTTOM_LEFT  16
#define IDS_POSITION_FREE       17
#define IDS_SAMPLE_AC           18
#define IDS_SAMPLE_CHARGING     19
#define IDS_SAMPLE_BATTERY      20
#define IDS_STATUS_UNKNOWN      21
#define IDS_STATUS_AC           22
#define IDS_STATUS_CHARGING     23
#define IDS_STATUS_BATTERY      24
#define IDS_STATUS_NO_BATTERY   25
#define IDS_STATUS_PERCENT      26
#define IDS_GAUGE_MIN           27
#define IDS_GAUGE_MAX           28
#define IDS_GAUGE_TITLE         29

#endif
