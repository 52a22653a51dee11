// Resource ids of JQSeek's file actions: Copy/Move To, Print Files, the print dialog of the
// list, the About box and their strings.
#pragma once

#define IDD_FINDER_COPY_MOVE 127
#define IDD_FINDER_PRINT_FILES 145
#define IDD_FINDER_ABOUT 1034
#define IDD_FINDER_PRINT_LIST 1538
// The Copy/Move To dialog's button that shows the typed folder in the tree.
#define IDI_FINDER_GO 130

// The About box's statics: names of version values, replaced by the values.
#define IDC_FINDER_ABOUT_NAME 100
#define IDC_FINDER_ABOUT_VERSION 101
#define IDC_FINDER_ABOUT_COPYRIGHT 102

// Copy/Move To: the list's label for each mode, the question for a blank destination.
#define IDS_COPY_ITEMS_LABEL 42100
#define IDS_MOVE_ITEMS_LABEL 42101
#define IDS_ENTER_DESTINATION 42102
// The subject of a mail with more than one attachment.
#define IDS_MAIL_MANY_SUBJECT 42103
// The printed list: the column heads and the header's date and page.
#define IDS_PRINT_LIST_HEADS 42034
#define IDS_PRINT_PAGE 42037
// The Send To item of the context menu and the text of its empty menu.
#define IDS_SEND_TO_ITEM 42104
#define IDS_SEND_TO_EMPTY 42105
// The viewer pane's icons and strings.
#define IDI_VIEWER_OPTIONS 63
#define IDI_VIEWER 66
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
#define IDS_VIEWER_ITEM_FIRST 45300
