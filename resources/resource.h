// Resource ids shared by the .rc files and the code. The numbers of
// dialogs, fonts, the icon and the menu commands are fixed by stored
// templates and by the command ids other programs may post.
#pragma once

// Icons and fonts
#define IDI_APP 102
#define IDF_HOOGE 1008 // "Hooge 05_55", registered privately at start-up
#define IDF_ORG 1009   // "Org_v01", registered privately at start-up

// Context-menu commands of the calendar window
#define IDM_SCHEDULE_LIST 3001
#define IDM_EXIT 3101
#define IDM_SETTINGS 3104

// Settings dialog
#define IDD_SETTINGS 101
#define IDC_WIDTH 1001
#define IDC_HEIGHT 1002
#define IDC_MARGIN 1003
#define IDC_FACE 1004
#define IDC_TITLE_PX 1005
#define IDC_WEEK_PX 1006
#define IDC_DATE_PX 1007
#define IDC_COLOR_BG 1009
#define IDC_COLOR_TODAY 1010
#define IDC_COLOR_WEEKDAY 1011
#define IDC_COLOR_SATURDAY 1012
#define IDC_COLOR_SUNDAY 1013
#define IDC_COLOR_HOLIDAY 1014
#define IDC_COLOR_SCHEDULE 1015
#define IDC_START_MONDAY 1016
#define IDC_DEFAULTS 1021
#define IDC_APPLY 1022
#define IDC_AUTO_DELETE 1030
#define IDC_SHOW_OUT_MONTH 1050
#define IDC_COLOR_GROUP 1080
#define IDC_HOLIDAY_GROUP 1081
#define IDC_HOLIDAY_URL 2010
#define IDC_HOLIDAY_UPDATE 2011
#define IDC_URL_LABEL 5001

// Progress of the interactive holiday download
#define IDD_HOLIDAY_PROGRESS 110
#define IDC_HOLIDAY_PROGRESS_TEXT 2012

// Schedule list dialog
#define IDD_SCHEDULE_LIST 3000
#define IDC_SCHEDULE_VIEW 3002
#define IDC_SCHEDULE_ADD 3003
#define IDC_SCHEDULE_EDIT 3004
#define IDC_SCHEDULE_DELETE 3005

// Schedule edit dialog
#define IDD_SCHEDULE_EDIT 3010
#define IDC_EDIT_YEAR 3011
#define IDC_EDIT_MONTH 3012
#define IDC_EDIT_DAY 3013
#define IDC_EDIT_HOUR 3014
#define IDC_EDIT_MINUTE 3015
#define IDC_EDIT_TEXT 3016

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
