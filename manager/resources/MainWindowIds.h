#pragma once

// Resource and command ids of the main window and the About box; shared by the resource
// compiler and the C++ code.
#define IDI_SERVICE_MANAGER 128
#define IDI_OTHER_SERVICE 158
#define IDD_SERVICE_MANAGER 110
#define IDD_ABOUT 111
#define IDR_MAIN_ACCELERATORS 130
#define IDR_MAIN_MENU 131
#define IDC_TOOLBAR 160

#define IDB_TOOL_NEW 190
#define IDB_TOOL_EDIT 193
#define IDB_TOOL_REFRESH 196
#define IDB_TOOL_STOP 197
#define IDB_TOOL_RESTART 198
#define IDB_TOOL_START 199
#define IDB_TOOL_REMOVE 1027

#define IDC_NEW 1026
#define IDC_REMOVE 1027
#define IDC_OWN_ONLY 1029
#define IDC_REFRESH 1030
#define IDC_EDIT 1031
#define IDC_START 1032
#define IDC_STOP 1033
#define IDC_RESTART 1034
#define IDC_SERVICE_LIST 1071

#define ID_HELP_ABOUT 16
#define ID_HELP_WEB_SITE 32
#define ID_FILE_SERVICES 48
#define ID_FILE_EVENT_VIEWER 32776
#define ID_SERVICE_VIEW_OUTPUT 32780
#define ID_SERVICE_VIEW_DEBUG_LOG 32781

// About box: "Details..." shares its id with Escape and the close box.
#define IDC_ABOUT_SYSTEM_INFO 3
#define IDC_ABOUT_DETAILS 2
#define IDC_ABOUT_VERSION 1031
#define IDC_ABOUT_WEB 1075
