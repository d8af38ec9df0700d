#pragma once
// Ids of the dialog-layer tests' own templates, shared by test_dialogs.rc and the tests.

#define IDD_LAYER_TEST 200
#define IDD_NO_FONT_TEST 201
#define IDC_LAYER_PLAIN 1000
#define IDC_LAYER_GO 1001
#define IDC_LAYER_OWNER_DRAWN 1002
#define IDC_LAYER_SECOND 1003
