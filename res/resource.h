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

// Menu commands: the main window's WM_COMMAND ids (IDM_SHOW_MENU opens the tray menu; the
// indicator and the uninstaller post some of them too)
#define IDM_SHOW_MENU           40001
#define IDM_BANNER              40002
#define IDM_PROPERTIES          40003
#define IDM_HELP                40004
#define IDM_EXIT                40005

// Controls without an id of their own
#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif

// Controls of the installation notice
#define IDC_NOTICE_ICON         1000
#define IDC_NOTICE_TEXT1        1001
#define IDC_NOTICE_TEXT2        1002

// Controls of the "Version Information" page (a static of either title id shows in large type)
#define IDC_VERSION_TITLE       1000
#define IDC_VERSION_TITLE2      1001
#define IDC_LOGO                1002
#define IDC_POWER_MODE          1003
#define IDC_BACKLIGHT_SUPPORT   1004
#define IDC_CLOCK_SUPPORT       1005
#define IDC_DRIVER_STATUS       1302

// Controls of the "Power Control" page: two groups of seven consecutive ids (label, then for AC
// and for the battery the low end's text, the slider and the high end's text), enabled together
#define IDC_BACKLIGHT_LABEL     1100
#define IDC_BACKLIGHT_AC_LOW    1101
#define IDC_BACKLIGHT_AC        1102
#define IDC_BACKLIGHT_AC_HIGH   1103
#define IDC_BACKLIGHT_DC_LOW    1104
#define IDC_BACKLIGHT_DC        1105
#define IDC_BACKLIGHT_DC_HIGH   1106
#define IDC_CLOCK_LABEL         1107
#define IDC_CLOCK_AC_LOW        1108
#define IDC_CLOCK_AC            1109
#define IDC_CLOCK_AC_HIGH       1110
#define IDC_CLOCK_DC_LOW        1111
#define IDC_CLOCK_DC            1112
#define IDC_CLOCK_DC_HIGH       1113

// Controls of the "Indicator" page
#define IDC_SHOW_INDICATOR      1200
#define IDC_POSITION_LIST       1201
#define IDC_KIND_LIST           1202
#define IDC_SAMPLE              1203
#define IDC_SHOW_POWER_STATUS   1205
#define IDC_SHOW_REMAINING_TIME 1206
#define IDC_POSITION_LABEL      1207
#define IDC_KIND_LABEL          1208
#define IDC_SAMPLE_LABEL        1209
#define IDC_INDICATOR_GROUP     1210
#define IDC_VERTICAL            1300
#define IDC_SAMPLE_CAPTION      1301

// Controls of the "Other" page
#define IDC_RING_RESUME         1204
#define IDC_RING_CAUTION        1303
#define IDC_RING_CAUTION_TEXT   1304

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
