// The drive dialogs of the main window: Disk Information, the cluster size of a drive (asked
// for a network drive the first time, or changed by the user), and the edit box with a unit
// combo that these and the criteria pages share. InstallEnginePrompts hands the engine its
// questions' answers through these dialogs.
#pragma once
#include <windows.h>
#include <cstdint>

struct FolderNode;
struct DriveNode;

// Puts the dialogs in place of the engine's unattended answers (start-up, GUI thread).
void InstallEnginePrompts();

// Dialog 148 for the drive; the new size is kept and the drive scanned again. 0 when cancelled.
int ChangeClusterSize(HWND owner, DriveNode* drive);
// Dialog 109 for the node's drive (a message box when the drive cannot be read).
void ShowDiskInfo(HWND owner, FolderNode* node);

// The cluster-size dialogs' parameter (102 first time, 148 change): the dialog ends with 1 on
// OK and the value read in `value`, 0 on Cancel.
struct ClusterDialogData {
  DriveNode* drive = nullptr;
  uint32_t proposal = 0;  // shown in the edit box with its unit
  uint32_t measured = 0;  // the drive's own cluster size, shown in the template text
  uint32_t value = 0;     // out: the size read on OK
};
INT_PTR CALLBACK ClusterSizeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DiskInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// An edit box with a unit combo (strings 61..64: bytes, KB, MB, GB).
void SetSizeWithUnit(HWND dialog, int editId, int comboId, double bytes);
double GetSizeWithUnit(HWND dialog, int editId, int comboId);
void FillUnitCombo(HWND dialog, int comboId);
