// Strings of the menu a right-button drop on a folder shows (resources/drop_menu.rc), in every
// program that takes drops through the suite's drop targets.
#pragma once
#define IDS_DROP_MENU_MOVE 61201
#define IDS_DROP_MENU_COPY 61202
#define IDS_DROP_MENU_LINK 61203
#define IDS_DROP_MENU_CANCEL 61204
