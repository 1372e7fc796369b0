#pragma once

// Resource ids of the service definition editor; shared by the resource compiler and the C++
// code. Ids repeat across templates: each page and dialog has its own numbering.

// The editor window.
#define IDD_SERVICE_EDITOR 159
#define IDC_EDITOR_TOOLBAR 160
#define IDC_EDITOR_INSTALL 1072
#define IDC_EDITOR_VIEW_XML 1073
#define IDC_EDITOR_SHEET_FRAME 1074
#define IDC_EDITOR_SAVE 1075
#define IDC_EDITOR_SAVE_AS 1076
#define IDC_EDITOR_NEW 1077
#define IDC_EDITOR_OPEN 1078

// Toolbar images, one per bitmap. They share the program's module with the main window's, so
// their ids differ from those in MainWindowIds.h.
#define IDB_EDITOR_OPEN 166
#define IDB_EDITOR_VIEW_XML 176
#define IDB_EDITOR_SAVE 184
#define IDB_EDITOR_SAVE_AS 185
#define IDB_EDITOR_NEW 186

// Program page.
#define IDD_PAGE_PROGRAM 137
#define IDC_SHORT_NAME 1000
#define IDC_DESCRIPTION 1004
#define IDC_WORKING_DIR 1005
#define IDC_EXECUTABLE 1006
#define IDC_BROWSE_DIR 1007
#define IDC_BROWSE_EXE 1008
#define IDC_PARAMETERS 1009
#define IDC_STARTUP_TIME 1010
#define IDC_DISPLAY_NAME 1037
#define IDC_CONSOLE_APP 1043

// Pre-service / Post-service page.
#define IDD_PAGE_PREPOST 142
#define IDC_POST_WORKING_DIR 1011
#define IDC_POST_BROWSE_DIR 1012
#define IDC_POST_EXECUTABLE 1013
#define IDC_POST_BROWSE_EXE 1014
#define IDC_POST_PARAMETERS 1015
#define IDC_POST_TIME 1016
#define IDC_PRE_WORKING_DIR 1048
#define IDC_PRE_EXECUTABLE 1049
#define IDC_PRE_PARAMETERS 1050
#define IDC_PRE_TIME 1051
#define IDC_PRE_BROWSE_DIR 1052
#define IDC_PRE_BROWSE_EXE 1053

// Settings page.
#define IDD_PAGE_OPTIONS 138
#define IDC_INTERACT_DESKTOP 1002
#define IDC_DEBUG_ENABLED 1004
#define IDC_CPU0 1010
#define IDC_CPU1 1011
#define IDC_CPU2 1012
#define IDC_CPU3 1013
#define IDC_PRIORITY 1014
#define IDC_STARTUP_MODE 1015
#define IDC_CPU4 1016
#define IDC_CPU5 1017
#define IDC_CPU6 1018
#define IDC_CPU7 1019
#define IDC_SHOW_WINDOW 1021
#define IDC_UPON_EXIT 1022
#define IDC_JOB_TYPE 1023
#define IDC_DEBUG_LOG_FILE 1038
#define IDC_BROWSE_LOG_FILE 1039
#define IDC_LOAD_ORDER_GROUP 1040
#define IDC_MONITOR_INTERVAL 1041

// Dependencies page.
#define IDD_PAGE_DEPENDENCIES 141
#define IDC_SERVICE_DEPS 1054
#define IDC_SERVICE_DEP_NAME 1055
#define IDC_ADD_SERVICE_DEP 1056
#define IDC_REMOVE_SERVICE_DEP 1057
#define IDC_GROUP_DEPS 1058
#define IDC_GROUP_DEP_NAME 1059
#define IDC_ADD_GROUP_DEP 1060
#define IDC_REMOVE_GROUP_DEP 1061

// Environment page.
#define IDD_PAGE_ENVIRONMENT 140
#define IDC_ENV_LIST 1059
#define IDC_ENV_NEW 1060
#define IDC_ENV_EDIT 1061
#define IDC_ENV_REMOVE 1062

// Output page.
#define IDD_PAGE_OUTPUT 143
#define IDC_OUTPUT_FILE 1080
#define IDC_BROWSE_OUTPUT_FILE 1081
#define IDC_ERROR_FILE 1082
#define IDC_BROWSE_ERROR_FILE 1083
#define IDC_ROTATE_SIZE 1084
#define IDC_ROTATE_DAILY 1085
#define IDC_ROTATE_KEEP 1086
#define IDC_OUTPUT_TIME_STAMP 1087

// The environment variable dialog.
#define IDD_ENV_VARIABLE 145
#define IDC_VARIABLE_NAME 1061
#define IDC_VARIABLE_VALUE 1062
