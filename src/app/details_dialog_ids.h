#pragma once
// Control ids of the details window's template (IDD_DETAILS), shared by
// res/quillbane.rc and the code; Close is IDCANCEL.

#define IDC_DETAILS_HEADING 1022
#define IDC_DETAILS_LIST 1023
#define IDC_DETAILS_SELECT_ALL 1039
#define IDC_DETAILS_DESELECT_ALL 1040
#define IDC_DETAILS_IGNORE_CHECKED 1060
