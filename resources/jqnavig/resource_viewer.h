#pragma once
// The viewer pane, printing and sending by mail.

#define IDI_VIEWER_OPTIONS 63
#define IDI_VIEWER 66

// Dialogs: Print Files, and the print dialogs of the file list and of the folder tree.
#define IDD_PRINT_FILES 145
#define IDD_PRINT_LIST_TEMPLATE 1538
#define IDD_PRINT_TREE_TEMPLATE 9999
#define IDC_PRINT_FILES_LIST 1001
#define IDC_PRINT_FILES_HELP 9
#define IDC_PRINT_WHOLE_TREE 1056

// Strings of the viewer pane.
#define IDS_VIEWER_NO_PICSHOW 45139
#define IDS_VIEWER_NO_SCCVW 42082
#define IDS_VIEWER_SCCVW_DAMAGED 45166
#define IDS_VIEWER_LABEL_NONE 45179
#define IDS_VIEWER_LABEL_FILE 45180
#define IDS_VIEWER_BUTTON_TIP 45153
#define IDS_VIEWER_MENU_OPTIONS 41054
#define IDS_VIEWER_MENU_VIEW_AS 41052
#define IDS_VIEWER_MENU_ARRANGE 45155
#define IDS_VIEWER_MENU_QVP 42077
#define IDS_VIEWER_MENU_CLOSE 41025
// Menu item texts: 45300 + the item's place in the viewer's text table.
#define IDS_VIEWER_ITEM_FIRST 45300

// Strings of printing.
#define IDS_PRINT_HEADER_FILES 42034
#define IDS_PRINT_HEADER_NAME 42035
#define IDS_PRINT_HEADER_ARCHIVE 42036
#define IDS_PRINT_PAGE_LABEL 42037

// Strings of sending by mail.
#define IDS_MAIL_NO_FOLDERS 42078
#define IDS_MAIL_NOT_IN_ARCHIVE 42079
#define IDS_MAIL_NOT_A_FILE 42080
#define IDS_MAIL_FILES_ATTACHED 45187
