#pragma once
// Start-up, main window, menus, accelerators, status bar, title bars and splitters.

#define IDI_MAIN 50
#define IDC_SPLIT_LEFTRIGHT 108
#define IDC_SPLIT_UPDOWN 135

// Toolbar pictures: 93 images of 16 x 16. The default buttons use the indexes of their table
// (cut 0, copy 1, paste 2, undo 4, by extension 5, properties 6, viewer 7, views 9-12, by name 13,
// by size 14, by date 15, by type 16, rename 21, move to 23, copy to 24, folder list 25,
// recycle 32, delete 33, e-mail 55, back 58, forward 59, favorites 60, FTP 91); the buttons the
// customise dialog adds use kToolbarExtraImages below.
#define IDB_TOOLBAR 112
// Drive-bar pictures: 0 removable, 1 fixed, 2 remote, 3 CD-ROM, 4 RAM disk, 5 up one level.
#define IDB_DRIVES 114

#define IDS_APP_NAME 1
#define IDS_TITLE 2
#define IDS_CLASS_NAME 3
#define IDS_DRIVE_FREE 41042
#define IDS_TOTAL_COUNT 41043
#define IDS_TOTAL_COUNT_SIZE 41044
#define IDS_ONE_SELECTED 41045
#define IDS_SUBFOLDER 41046
#define IDS_SELECTED_COUNT 41047
#define IDS_SELECTED_COUNT_SIZE 41048
#define IDS_OS_UNSUPPORTED 41049
#define IDS_FAVORITES_ADD 42089
#define IDS_SHELL_NEW 42130
#define IDS_GO_BACK 42141
#define IDS_LAYOUT_SINGLE 45149
#define IDS_LAYOUT_STACKED 45150
#define IDS_LAYOUT_SIDE_BY_SIDE 45151
#define IDS_SWAP_PANES 45152
#define IDS_BROWSE 45154
#ifndef RC_INVOKED
// Image index in IDB_TOOLBAR of each button the customise dialog offers, in its order.
struct ToolbarExtraImage { unsigned command, image; };
constexpr ToolbarExtraImage kToolbarExtraImages[61] = {
  {40133, 26}, {40041, 34}, {40015, 35}, {40165, 36}, {40079, 37}, {40060, 38},
  {40130, 39}, {40161, 40}, {40046, 41}, {40125, 42}, {40129, 43}, {45118, 44},
  {40092, 45}, {40042, 46}, {40012, 47}, {40067, 48}, {40068, 49}, {40160, 50},
  {40085, 51}, {40086, 52}, {40095, 53}, {40088, 54}, {40096, 56}, {40115, 57},
  {40116, 61}, {40117, 62}, {45121, 63}, {41151, 64}, {40063, 65}, {40075, 66},
  {40062, 67}, {40120, 68}, {40119, 69}, {40126, 70}, {40034, 71}, {40132, 72},
  {40032, 73}, {40131, 74}, {40064, 75}, {40137, 76}, {40035, 77}, {40147, 78},
  {40027, 27}, {40028, 28}, {40029, 29}, {40158, 79}, {40157, 80}, {40047, 81},
  {40051, 82}, {40099, 83}, {40072, 84}, {40083, 85}, {40044, 86}, {40052, 87},
  {40056, 17}, {40057, 18}, {40058, 19}, {40053, 88}, {40054, 89}, {40055, 90},
  {40043, 92},
};
#endif
