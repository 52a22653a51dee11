// The drive dialogs: Disk Information on C:, the cluster-size questions, the edit box with a
// unit combo, and the engine's questions answered through them.
#include "disk_dialogs.h"

#include <gtest/gtest.h>

#include <string>

#include "disk_query.h"
#include "drive_list.h"
#include "engine_prompts.h"
#include "engine_test_support.h"
#include "resource.h"
#include "scan_engine.h"
#include "test_support.h"

TEST(DiskDialogs, SizeWithUnitBoxes) {
  // The real controls: an edit with a unit combo.
  HWND dialog = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  CreateWindowA("EDIT", "", WS_CHILD, 0, 0, 80, 20, dialog, reinterpret_cast<HMENU>(1067),
                nullptr, nullptr);
  CreateWindowA("COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 30, 80, 100, dialog,
                reinterpret_cast<HMENU>(1084), nullptr, nullptr);
  FillUnitCombo(dialog, 1084);
  EXPECT_EQ(SendDlgItemMessageA(dialog, 1084, CB_GETCOUNT, 0, 0), 4);
  SetDlgItemTextA(dialog, 1067, "3");
  SendDlgItemMessageA(dialog, 1084, CB_SETCURSEL, 2, 0);
  EXPECT_EQ(GetSizeWithUnit(dialog, 1067, 1084), 3145728.0);
  SetSizeWithUnit(dialog, 1067, 1084, 1536);
  char text[16];
  GetDlgItemTextA(dialog, 1067, text, sizeof text);
  EXPECT_STREQ(text, "2");
  EXPECT_EQ(SendDlgItemMessageA(dialog, 1084, CB_GETCURSEL, 0, 0), 1);
  SendDlgItemMessageA(dialog, 1084, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  EXPECT_EQ(GetSizeWithUnit(dialog, 1067, 1084), 0.0);
  DestroyWindow(dialog);
}

TEST(DiskDialogs, DiskInformationDialogShowsTheDrive) {
  DriveNode* drive = vtest::EngineDrive();
  ASSERT_NE(drive, nullptr);
  ASSERT_EQ(GetDiskSpaceDefault(drive), 1);
  HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_VOLT_DISK_INFO),
                                   nullptr, DiskInfoDlgProc, reinterpret_cast<LPARAM>(drive));
  ASSERT_NE(dialog, nullptr);
  auto text = [&](int id) {
    char buffer[256] = {};
    GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    return std::string(buffer);
  };
  EXPECT_EQ(text(IDC_DISK_TYPE), LoadRotatingString(IDS_VOLT_DRIVE_FIXED));
  EXPECT_NE(text(IDC_DISK_TOTAL).find(" ("), std::string::npos) << text(IDC_DISK_TOTAL);
  EXPECT_EQ(text(IDC_DISK_BYTES_PER_SECTOR), FormatThousands64(drive->bytesPerSector));
  EXPECT_FALSE(text(IDC_DISK_NAME).empty());
  ShowWindow(dialog, SW_SHOW);
  // Set JQ_HOLD_DIALOGS=ms to look at the dialog (a screenshot under Xvfb).
  if (const char* hold = getenv("JQ_HOLD_DIALOGS")) jqtest::PumpUntil([] { return false; }, atoi(hold));
  DestroyWindow(dialog);
}

TEST(DiskDialogs, ClusterSizeDialogProposesAndReads) {
  DriveNode* drive = vtest::EngineDrive();
  ClusterDialogData data;
  data.drive = drive;
  data.proposal = 8192;
  data.measured = 4096;
  for (UINT id : {IDD_VOLT_ASK_CLUSTER, IDD_VOLT_CHANGE_CLUSTER}) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr,
                                     ClusterSizeDlgProc, reinterpret_cast<LPARAM>(&data));
    ASSERT_NE(dialog, nullptr) << id;
    char value[32] = {}, templ[256] = {};
    GetDlgItemTextA(dialog, IDC_CLUSTER_EDIT, value, sizeof value);
    GetDlgItemTextA(dialog, IDC_CLUSTER_TEMPLATE, templ, sizeof templ);
    EXPECT_STREQ(value, "8");
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_CLUSTER_UNIT, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(std::string(templ).find("%s"), std::string::npos) << templ;
    EXPECT_NE(std::string(templ).find(FormatSizeWithUnits(4096.0)), std::string::npos) << templ;
    ShowWindow(dialog, SW_SHOW);
    if (const char* hold = getenv("JQ_HOLD_DIALOGS")) jqtest::PumpUntil([] { return false; }, atoi(hold));
    DestroyWindow(dialog);
  }
}

TEST(DiskDialogs, ClusterSizeDialogHandsBackTheValueReadOnOk) {
  ClusterDialogData data;
  data.drive = vtest::EngineDrive();
  data.proposal = 8192;
  data.measured = 4096;
  HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_VOLT_CHANGE_CLUSTER),
                                   nullptr, ClusterSizeDlgProc, reinterpret_cast<LPARAM>(&data));
  ASSERT_NE(dialog, nullptr);
  SetDlgItemTextA(dialog, IDC_CLUSTER_EDIT, "16");
  SendMessageA(dialog, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(data.value, 16384u);
  DestroyWindow(dialog);
}

TEST(DiskDialogs, InstalledPromptsAskTheStopAllQuestionInABox) {
  jqtest::SeamRecorder seams;
  seams.boxAnswers = {IDNO};
  EnginePrompts previous = SetEnginePrompts(EnginePrompts{});
  InstallEnginePrompts();
  EXPECT_EQ(StopDriveScan(nullptr), 0);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, LoadRotatingString(IDS_VOLT_STOP_ALL_QUESTION));
  EXPECT_EQ(seams.boxes[0].type & MB_YESNO, static_cast<UINT>(MB_YESNO));
  SetEnginePrompts(previous);
}
