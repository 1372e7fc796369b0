#pragma once

// Resource ids of the service manager; shared by the resource compiler and the C++ code.
#define IDD_INSTALLER_RESULT 146
#define IDI_INSTALLER_RESULT 148
#define IDD_OUTPUT_DETAILS 155
#define IDC_OUTPUT_TEXT 1061
#define IDC_RESULT_ICON 1062
#define IDC_RESULT_TEXT 1063
#define IDC_RESULT_DETAILS 1064
