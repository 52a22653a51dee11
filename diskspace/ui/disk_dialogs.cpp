// The drive dialogs: Disk Information, the cluster-size questions, and the edit box with a
// unit combo.
#include "disk_dialogs.h"

#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "disk_query.h"
#include "drive_list.h"
#include "engine_prompts.h"
#include "folder_node.h"
#include "item_ids.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"

namespace {

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

std::string LoadText(UINT id, const char* fallback) {
  char buffer[256];
  if (LoadStringA(Instance(), id, buffer, sizeof buffer) > 0) return buffer;
  return fallback;
}

// Runs dialog 102 or 148; true with *value on OK.
bool RunClusterDialog(HWND owner, UINT dialogId, DriveNode* drive, uint32_t proposal,
                      uint32_t measured, uint32_t* value) {
  ClusterDialogData data;
  data.drive = drive;
  data.proposal = proposal;
  data.measured = measured;
  INT_PTR r = DialogBoxParamA(Instance(), MAKEINTRESOURCEA(dialogId), owner, ClusterSizeDlgProc,
                              reinterpret_cast<LPARAM>(&data));
  if (r != 1) return false;
  *value = data.value;
  return true;
}

bool AskNetClusterSizeDialog(HWND owner, DriveNode* drive, uint32_t proposal, uint32_t measured,
                             uint32_t* value) {
  return RunClusterDialog(owner, IDD_VOLT_ASK_CLUSTER, drive, proposal, measured, value);
}

bool AskStopAllScansBox(HWND owner) {
  std::string text = LoadText(IDS_VOLT_STOP_ALL_QUESTION, "Stop the scans of all drives?");
  std::string caption = LoadText(3, "Voltaly");
  return seams::MessageBoxA(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) ==
         IDYES;
}

}  // namespace

void InstallEnginePrompts() {
  EnginePrompts prompts;
  prompts.askNetClusterSize = AskNetClusterSizeDialog;
  prompts.askStopAllScans = AskStopAllScansBox;
  SetEnginePrompts(prompts);
}

int ChangeClusterSize(HWND owner, DriveNode* drive) {
  if (!IsDriveNode(drive)) return 0;
  uint32_t current = drive->clusterSize.load();
  uint32_t proposal = current ? current : DefaultClusterSize(drive);
  uint32_t value = 0;
  if (!RunClusterDialog(owner, IDD_VOLT_CHANGE_CLUSTER, drive, proposal,
                        drive->bytesPerSector * drive->sectorsPerCluster, &value))
    return 0;
  return SetDriveClusterSize(drive, value);
}

INT_PTR CALLBACK ClusterSizeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* data = reinterpret_cast<ClusterDialogData*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      std::string name = GetNodeName(data->drive);
      char caption[MAX_PATH];
      if (IShellFolder* parent = NodeParentFolder(data->drive);
          parent && GetDisplayNameText(parent, NodeRelativeIdList(data->drive), SHGDN_NORMAL, caption))
        name = caption;
      SetWindowTextA(dialog, name.c_str());
      SendDlgItemMessageA(dialog, IDC_CLUSTER_SPIN, UDM_SETRANGE, 0, MAKELPARAM(100, 0));
      FillUnitCombo(dialog, IDC_CLUSTER_UNIT);
      SetSizeWithUnit(dialog, IDC_CLUSTER_EDIT, IDC_CLUSTER_UNIT, data->proposal);
      char templ[256] = {};
      GetDlgItemTextA(dialog, IDC_CLUSTER_TEMPLATE, templ, sizeof templ);
      std::string text = templ;
      size_t at = text.find("%s");
      if (at != std::string::npos) {
        text.replace(at, 2, FormatSizeWithUnits(data->measured));
        SetDlgItemTextA(dialog, IDC_CLUSTER_TEMPLATE, text.c_str());
      }
      CenterOnOwner(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          double v = GetSizeWithUnit(dialog, IDC_CLUSTER_EDIT, IDC_CLUSTER_UNIT);
          if (v > 4294967295.0) v = 4294967295.0;  // the stored field is 32 bits
          if (v < 1) v = 1;
          auto* data = reinterpret_cast<ClusterDialogData*>(GetWindowLongPtrA(dialog, DWLP_USER));
          if (data) data->value = static_cast<uint32_t>(v);
          EndDialog(dialog, 1);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        case 9:
          seams::WinHelpA(dialog, "Voltaly.hlp", HELP_CONTEXT, 90);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

namespace {
std::string GroupedWithUnits(double value) {
  return FormatThousands64(static_cast<uint64_t>(value < 0 ? 0 : value)) + " (" +
         FormatSizeWithUnits(value) + ")";
}
}  // namespace

INT_PTR CALLBACK DiskInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* drive = reinterpret_cast<DriveNode*>(lParam);
      char name[MAX_PATH];
      if (IShellFolder* parent = NodeParentFolder(drive);
          parent && GetDisplayNameText(parent, NodeRelativeIdList(drive), SHGDN_NORMAL, name))
        SetDlgItemTextA(dialog, IDC_DISK_NAME, name);
      else
        SetDlgItemTextA(dialog, IDC_DISK_NAME, GetNodeName(drive).c_str());
      SetDlgItemTextA(dialog, IDC_DISK_TOTAL, GroupedWithUnits(drive->totalBytes).c_str());
      SetDlgItemTextA(dialog, IDC_DISK_BYTES_PER_SECTOR,
                      FormatThousands64(drive->bytesPerSector).c_str());
      SetDlgItemTextA(dialog, IDC_DISK_SECTORS_PER_CLUSTER,
                      FormatThousands64(drive->sectorsPerCluster).c_str());
      double cluster = static_cast<double>(drive->bytesPerSector) * drive->sectorsPerCluster;
      std::string clusterText = GroupedWithUnits(cluster);
      int slot = drive->driveLetter - 1;
      if (slot >= 0 && slot < 26 && g_netClusterSizes[slot].load())
        clusterText += " / " + GroupedWithUnits(g_netClusterSizes[slot].load());
      SetDlgItemTextA(dialog, IDC_DISK_CLUSTER_SIZE, clusterText.c_str());
      SetDlgItemTextA(dialog, IDC_DISK_TOTAL_CLUSTERS, FormatThousands64(drive->totalClusters).c_str());
      SetDlgItemTextA(dialog, IDC_DISK_FREE, GroupedWithUnits(drive->freeBytes).c_str());
      SetDlgItemTextA(dialog, IDC_DISK_USED,
                      GroupedWithUnits(drive->totalBytes - drive->freeBytes).c_str());
      UINT typeId = IDS_VOLT_DRIVE_OTHER;
      switch (drive->driveType) {
        case DRIVE_REMOVABLE: typeId = IDS_VOLT_DRIVE_REMOVABLE; break;
        case DRIVE_FIXED: typeId = IDS_VOLT_DRIVE_FIXED; break;
        case DRIVE_REMOTE: typeId = IDS_VOLT_DRIVE_NETWORK; break;
        case DRIVE_CDROM: typeId = IDS_VOLT_DRIVE_CDROM; break;
        case DRIVE_RAMDISK: typeId = IDS_VOLT_DRIVE_RAMDISK; break;
      }
      SetDlgItemTextA(dialog, IDC_DISK_TYPE, LoadText(typeId, "").c_str());
      CenterOnOwner(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

void ShowDiskInfo(HWND owner, FolderNode* node) {
  DriveNode* drive = IsFolderNode(node) ? AsDrive(node->drive) : nullptr;
  if (!drive || !GetDiskSpaceDefault(drive)) {
    seams::MessageBoxA(owner,
                       "Cannot get information for drive. If it is a removable media drive, "
                       "verify that a disk is present.",
                       "ERROR : No information available.", MB_OK | MB_ICONERROR);
    return;
  }
  DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_VOLT_DISK_INFO), owner, DiskInfoDlgProc,
                  reinterpret_cast<LPARAM>(drive));
}

// ---- An edit box with a unit combo

void FillUnitCombo(HWND dialog, int comboId) {
  static const UINT ids[4] = {IDS_VOLT_UNIT_BYTES, IDS_VOLT_UNIT_KB, IDS_VOLT_UNIT_MB,
                              IDS_VOLT_UNIT_GB};
  static const char* fallback[4] = {"bytes", "KB", "MB", "GB"};
  SendDlgItemMessageA(dialog, comboId, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < 4; ++i) {
    std::string text = LoadText(ids[i], fallback[i]);
    size_t first = text.find_first_not_of(' ');
    text = first == std::string::npos ? text : text.substr(first);
    SendDlgItemMessageA(dialog, comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void SetSizeWithUnit(HWND dialog, int editId, int comboId, double bytes) {
  uint64_t value = 0;
  int unit = 0;
  SplitSizeUnit(bytes, &value, &unit);
  char text[32];
  _snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value));
  text[sizeof text - 1] = 0;
  SetDlgItemTextA(dialog, editId, text);
  if (SendDlgItemMessageA(dialog, comboId, CB_GETCOUNT, 0, 0) == 0) FillUnitCombo(dialog, comboId);
  SendDlgItemMessageA(dialog, comboId, CB_SETCURSEL, unit, 0);
}

double GetSizeWithUnit(HWND dialog, int editId, int comboId) {
  LRESULT unit = SendDlgItemMessageA(dialog, comboId, CB_GETCURSEL, 0, 0);
  if (unit == CB_ERR) return 0;
  char text[32] = {};
  GetDlgItemTextA(dialog, editId, text, sizeof text);
  double value = static_cast<double>(strtoull(text, nullptr, 10));
  for (LRESULT i = 0; i < unit && i < 3; ++i) value *= 1024;
  return value;
}

