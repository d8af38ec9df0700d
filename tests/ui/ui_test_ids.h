#pragma once
// Ids of the ui tests' own template, shared by ui_test.rc and the tests.

#define IDD_LINK_TEST 300
#define IDC_LINK_TEST_HOME 1000
#define IDC_LINK_TEST_EMPTY 1001
