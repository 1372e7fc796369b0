#pragma once

// Templates of the dialog framework tests.
#define IDD_TEST_FORM 9001
#define IDD_TEST_PAGE_NUMBER 9002
#define IDD_TEST_PAGE_TEXT 9003
#define IDD_TEST_SHEET_HOST 9004
#define IDC_TEST_NAME 1001
#define IDC_TEST_ENABLED 1002
#define IDC_TEST_MODE 1003
#define IDC_TEST_COUNT 1004
