#pragma once
// Control ids of the item list templates (IDD_IGNORED_ITEMS, IDD_BACKUP_ITEMS),
// shared by res/quillbane.rc and the code; Close is IDCANCEL.

#define IDC_ITEMS_INTRO 1059
#define IDC_ITEMS_LIST 1023
#define IDC_ITEMS_ACTION 1061
