#pragma once
// Control ids of the main window's template (IDD_MAIN), shared by res/quillbane.rc
// and the code. The numbers are also how another process drives the window
// (tests/e2e, qb-drive): they never change.

// Navigation entries, the system lines, the Home panel and the help link.
#define IDC_NAV_SCAN_NOW 1000
#define IDC_NAV_CHOOSE_SECTIONS 1001
#define IDC_NAV_RESTORE_BACKUP 1002
#define IDC_NAV_ADVANCED_CONTROLS 1003
#define IDC_OS_LINE 1004
#define IDC_PROFILE_LINE 1005
#define IDC_MEMORY_LINE 1006
#define IDC_DISK_LINE 1007
#define IDC_DESCRIPTION 1051
#define IDC_HOME_LINK 1046
#define IDC_SUPPORT_LINK 1048
#define IDC_HELP_LINK 1049

// The Scan panel.
#define IDC_PROGRESS_LIST 1008
#define IDC_SCAN_BUTTON 1009
#define IDC_PROGRESS_BAR 1010
#define IDC_STATUS_LABEL 1013
#define IDC_TOTAL_LABEL 1014
#define IDC_ANIMATION 1015
#define IDC_TOTALS_FRAME 1016
#define IDC_AFFECTED_LABEL 1017

// The Results panel.
#define IDC_RESULTS_LIST 1018
#define IDC_REMOVE_BUTTON 1019
#define IDC_ABORT_REMOVAL 1064
#define IDC_RESULTS_TOTAL 1054

// The Choose Sections panel.
#define IDC_SECTIONS_LIST 1020
#define IDC_SAVE_SECTIONS 1021

// The Restore Backup panel.
#define IDC_RESTORE_TEXT 1043
#define IDC_BACKUP_DATES_CAPTION 1045
#define IDC_BACKUP_DATES 1041
#define IDC_SHOW_BACKUP_ITEMS 1063
#define IDC_RESTORE_BUTTON 1042
#define IDC_RESTORE_RULE 1044

// The Advanced Controls panel: its captions with their rules, the managers and
// the preferences.
#define IDC_ADVANCED_CAPTION 1058
#define IDC_ADVANCED_RULE 1039
#define IDC_ADD_REMOVE_MANAGER 1057
#define IDC_BHO_MANAGER 1056
#define IDC_STARTUP_MANAGER 1055
#define IDC_STARTUP_CAPTION 1030
#define IDC_STARTUP_RULE 1031
#define IDC_RUN_AT_STARTUP 1026
#define IDC_REMOVAL_CAPTION 1032
#define IDC_REMOVAL_RULE 1033
#define IDC_SELECT_ALL_ERRORS 1027
#define IDC_AUTO_BACKUP 1028
#define IDC_IGNORED_ITEMS 1062
#define IDC_LOG_CAPTION 1034
#define IDC_LOG_RULE 1029
#define IDC_LOG_FOLDER_LABEL 1035
#define IDC_LOG_FOLDER 1036
#define IDC_BROWSE_LOG_FOLDER 1038
#define IDC_SAVE_PREFERENCES 1037
