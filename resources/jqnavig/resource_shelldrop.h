#pragma once
// Drag and drop, Send To and the Recycle Bin, the New submenu, and starting other programs.

#define IDS_SEND_TO_EMPTY 42087
#define IDS_NEW_FOLDER_ITEM 42131
#define IDS_NEW_SHORTCUT_ITEM 42132
#define IDS_RECYCLE_EMPTY_FAILED 45138
#define IDS_MENU_SEND_TO 45600
#define IDS_RECYCLE_EMPTY_CONFIRM 45601
#define IDS_RECYCLE_CAPTION 45602
#define IDS_LAUNCH_DROP_ONE_ITEM 42142
#define IDS_LAUNCH_DROP_FILES_ONLY 42143
