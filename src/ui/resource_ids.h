#pragma once
// Numbers of the program's resources, shared by res/quillbane.rc and the code.

#define IDI_QUILLBANE 128
#define IDB_HOME_BACKGROUND 129
#define IDB_PLAIN_BACKGROUND 130
#define IDB_UNCHECKED 131
#define IDB_CHECKED 132
#define IDB_PROGRESS_DONE 133
#define IDB_PROGRESS_SCANNING 134
#define IDB_PROGRESS_WAITING 135
#define IDC_LINK_HAND 136
#define IDB_SEVERITY_CRITICAL 138
#define IDB_SEVERITY_SEVERE 139
#define IDB_SEVERITY_MODERATE 140
#define IDR_BUSY_GIF 144

#define IDD_MAIN 102
#define IDD_DETAILS 137
#define IDD_BHO_MANAGER 145
#define IDD_STARTUP_MANAGER 147
#define IDD_ADD_REMOVE_MANAGER 148
#define IDD_IGNORED_ITEMS 149
#define IDD_BACKUP_ITEMS 150

// Labels and frames the code never addresses.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
