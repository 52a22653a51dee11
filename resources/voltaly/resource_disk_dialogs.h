#pragma once
// Resource ids of Voltaly's drive dialogs (user interface): Disk Information, the cluster-size
// questions, the drive types and the question to stop all scans.

// Strings.
#define IDS_VOLT_STOP_ALL_QUESTION 60   // "stop the scans of all drives?"
#define IDS_VOLT_DRIVE_REMOVABLE 44
#define IDS_VOLT_DRIVE_FIXED 45
#define IDS_VOLT_DRIVE_NETWORK 46
#define IDS_VOLT_DRIVE_CDROM 47
#define IDS_VOLT_DRIVE_RAMDISK 48
#define IDS_VOLT_DRIVE_OTHER 49

// Dialogs.
#define IDD_VOLT_ASK_CLUSTER 102      // a network drive's cluster size, first time
#define IDD_VOLT_DISK_INFO 109
#define IDD_VOLT_CHANGE_CLUSTER 148

// Controls of the cluster-size dialogs (102, 148).
#define IDC_CLUSTER_TEMPLATE 1000     // static: template filled with the measured size
#define IDC_CLUSTER_EDIT 1067
#define IDC_CLUSTER_SPIN 1044
#define IDC_CLUSTER_UNIT 1084

// Controls of the Disk Information dialog (109).
#define IDC_DISK_TYPE 1010
#define IDC_DISK_BYTES_PER_SECTOR 1011
#define IDC_DISK_SECTORS_PER_CLUSTER 1012
#define IDC_DISK_TOTAL 1014
#define IDC_DISK_FREE 1015
#define IDC_DISK_USED 1016
#define IDC_DISK_TOTAL_CLUSTERS 1017
#define IDC_DISK_CLUSTER_SIZE 1018
#define IDC_DISK_NAME 1019

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif
