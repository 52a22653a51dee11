// Resource ids of the toolbar's shell objects: the Internet shortcut dialog.
#pragma once

#define IDD_URL_SHORTCUT 690
#define IDC_URL_NAME 691
#define IDC_URL_ADDRESS 692
