#pragma once
// Resource ids of JQNavig.

#define IDI_MAIN 50

#define IDS_APP_NAME 1
#define IDS_TITLE 2
#define IDS_CLASS_NAME 3
#define IDS_OS_UNSUPPORTED 41049
