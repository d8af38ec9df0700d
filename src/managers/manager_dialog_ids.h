#pragma once
// Control ids of the three manager templates (IDD_BHO_MANAGER,
// IDD_STARTUP_MANAGER, IDD_ADD_REMOVE_MANAGER), shared by res/quillbane.rc and
// the code; Remove Checked is IDOK and Close IDCANCEL.

#define IDC_MANAGER_INTRO 1059
#define IDC_MANAGER_LIST 1023
// The details box of the selected file (not in the add/remove programs manager).
#define IDC_MANAGER_FILE_NAME 1042
#define IDC_MANAGER_PRODUCT_NAME 1043
#define IDC_MANAGER_DESCRIPTION 1044
#define IDC_MANAGER_COMPANY 1045
// The Startup manager's buttons beside Remove Checked.
#define IDC_MANAGER_DISABLE_CHECKED 1066
#define IDC_MANAGER_ENABLE_CHECKED 1067
