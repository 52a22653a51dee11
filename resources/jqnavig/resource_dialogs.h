// Copy/Move To, folder picker, DOS command line and Run.
#pragma once

// Dialogs.
#define IDD_COPY_MOVE 127
#define IDD_RUN 202

// Icons: go to the typed path in the tree (Copy/Move To), browse for a file (Run, Go To).
#define IDI_GO_TO_PATH 59
#define IDI_BROWSE 64

// Controls of the Copy/Move To and Run dialogs.
#define IDC_COPY_MOVE_LIST 1001
#define IDC_GO_TO_DESTINATION 1006   // Copy/Move To: go there afterwards; Run: run minimised
#define IDC_GO_TO_TYPED_PATH 1015
#define IDC_RUN_BROWSE 1036
#define IDC_COPY_RADIO 1037
#define IDC_MOVE_RADIO 1038
#define IDC_DESTINATION_COMBO 1039
#define IDC_PICKER_TREE 1129
#define IDC_COPY_MOVE_LIST_LABEL 1151
#define IDC_DESTINATION_LABEL 1152
#define IDC_OPERATION_GROUP 1153

// Strings.
#define IDS_DOS_PROMPT 41034
#define IDS_ENTER_DESTINATION 41035
#define IDS_MOVE_ITEMS 42026
#define IDS_COPY_ITEMS 42027
#define IDS_RUN_FILTER 42055
#define IDS_DOS_INVALID_PATH 42061
#define IDS_DOS_CANNOT_CREATE 42062
#define IDS_DOS_CANNOT_REMOVE 42063
#define IDS_DOS_TOO_MANY 42064
#define IDS_DOS_TOO_FEW 42065
#define IDS_DOS_INVALID_SWITCH 42066
