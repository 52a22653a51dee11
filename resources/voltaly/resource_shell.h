#pragma once
// Voltaly shell resources: the file pane's merged menu, the file and disk command dialogs, the
// export and print dialog templates and their strings.

// Menu merged into the hosted file view's menu bar.
#define IDM_FILEPANE_MENU 134

// Dialogs.
#define IDD_SH_PRINT_TREE 103
#define IDD_SH_EXPORT_TREE 113
#define IDD_SH_ABOUT 118
#define IDD_SH_DRIVE 119
#define IDD_SH_COPY_MOVE_TO 127
#define IDD_SH_CREATE_FOLDER 130

// Icon of the Copy/Move To dialog's locate button.
#define IDI_SH_LOCATE 190

// Controls.
#define IDC_SH_VERSION_NAME 100
#define IDC_SH_VERSION_TEXT 101
#define IDC_SH_VERSION_COPYRIGHT 102
#define IDC_SH_LIST 1001
#define IDC_SH_ROOTS 1002
#define IDC_SH_PROMPT 1003
#define IDC_SH_ONLY_EXPANDED 1004
#define IDC_SH_LOCATE 1015
#define IDC_SH_BROWSE 1036
#define IDC_SH_COPY 1037
#define IDC_SH_MOVE 1038
#define IDC_SH_TARGET 1039
#define IDC_SH_BASE 1043
#define IDC_SH_WHOLE_TREE 1056
#define IDC_SH_BRANCH 1057
#define IDC_SH_PICKER 1234

// Strings of the shell side.
#define IDS_SH_PRINT_PAGE 6
#define IDS_SH_EXPORT_TITLE 22
#define IDS_SH_RENAME 28
#define IDS_SH_EMPTY_FOLDER 29
#define IDS_SH_STOP_SCAN 42
#define IDS_SH_EMPTY_BIN_FAILED 89
#define IDS_SH_SCAN 92
#define IDS_SH_PROGRAM_MENU 93
#define IDS_SH_EXPORT_FILTER 94
#define IDS_SH_ENTER_TARGET 45335
#define IDS_SH_ENTER_FOLDER 45338
#define IDS_SH_CREATE_FAILED 45339
#define IDS_SH_EMPTY_NAME 45340
#define IDS_SH_BAD_NAME 45341
#define IDS_SH_BAD_FOLDER_NAME 45351
#define IDS_SH_MOVE_PROMPT 45426
#define IDS_SH_COPY_PROMPT 45427
#define IDS_SH_FORMAT_PROMPT 45429
#define IDS_SH_LABEL_PROMPT 45430
#define IDS_SH_BROWSE_TITLE 45432
#define IDS_SH_EXPORT_FAILED 45433
#define IDS_SH_PRINT_FAILED 45434
#define IDS_SH_SEND_TO 45435
#define IDS_SH_PASTE 45436
#define IDS_SH_CLUSTER_SIZE 45009
