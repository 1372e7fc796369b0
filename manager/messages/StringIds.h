#pragma once

// Ids of the string table (Catalogue.rc); shared by the resource compiler and the C++ code.
#define IDS_BAD_WINDOWS_VERSION 103
#define IDS_NO_WINDOWS_9X 104
#define IDS_NEEDS_NT4 105
#define IDS_SERVICE_DEFINITION 106
#define IDS_TIP_EDITOR_NEW 108
#define IDS_TIP_EDITOR_OPEN 109
#define IDS_TIP_EDITOR_SAVE 110
#define IDS_TIP_EDITOR_SAVE_AS 111
#define IDS_TIP_EDITOR_VIEW_XML 112
#define IDS_TIP_EDITOR_INSTALL 113
#define IDS_TIP_EDITOR_CLOSE 114
#define IDS_TIP_NEW 115
#define IDS_TIP_EDIT 116
#define IDS_TIP_REMOVE 117
#define IDS_TIP_START 118
#define IDS_TIP_STOP 119
#define IDS_TIP_RESTART 120
#define IDS_TIP_REFRESH 121
#define IDS_TIP_EXIT 122
