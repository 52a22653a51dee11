#include "system_actions.h"

#include <shellapi.h>

#include <string>

#include "layout_snapshot.h"
#include "panel_utils.h"
#include "resolution_dialog.h"
#include "resource.h"
#include "screen_capture.h"
#include "seams.h"
#include "toolbar_layout.h"

namespace jqbar {
namespace {

constexpr SystemAction kActions[kSystemActionCount] = {
    {0, IDM_SA_SHUTDOWN, IDS_SA_SHUTDOWN, 760},
    {1, IDM_SA_RESTART, IDS_SA_RESTART, 761},
    {2, IDM_SA_RESTARTWINDOWS, IDS_SA_RESTARTWINDOWS, 765},
    {3, IDM_SA_DOSMODE, IDS_SA_DOSMODE, 762},
    {4, IDM_SA_LOGON, IDS_SA_LOGON, 763},
    {5, IDM_SA_RESOLUTION, IDS_SA_RESOLUTION, 764},
    {6, IDM_SA_PRINTSCREEN, IDS_SA_PRINTSCREEN, 773},
    {7, IDM_SA_SCREENSAVER, IDS_SA_SCREENSAVER, 790},
};

std::int32_t Get32(const std::uint8_t* p) {
  return std::int32_t(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                      std::uint32_t(p[3]) << 24);
}
void Put32(std::uint8_t* p, std::int32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(std::uint32_t(v) >> (8 * i));
}

std::string ProgramFolder() {
  char module[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string path(module, n < MAX_PATH ? n : 0);
  std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

const SystemAction& GetSystemAction(int index) {
  return kActions[index >= 0 && index < kSystemActionCount ? index : 0];
}

int SystemActionIndexOfCommand(int commandId) {
  for (const SystemAction& a : kActions)
    if (a.commandId == commandId) return a.index;
  return -1;
}

SystemAccessOptions ReadOptionsFromHead(const std::uint8_t* head, std::size_t size) {
  SystemAccessOptions o;
  if (!head || size < kButtonBarHeadSize) return o;
  o.shutdown = Get32(head + kOptShutdown);
  o.restart = Get32(head + kOptRestart);
  o.flags = Get32(head + kOptFlags);
  o.dosMode = Get32(head + kOptDosMode);
  o.logon = Get32(head + kOptLogon);
  o.resolution = Get32(head + kOptResolution);
  o.confirm = std::int16_t(head[kOptConfirm] | head[kOptConfirm + 1] << 8);
  return o;
}

void WriteOptionsToHead(const SystemAccessOptions& o, std::uint8_t* head, std::size_t size) {
  if (!head || size < kButtonBarHeadSize) return;
  Put32(head + kOptShutdown, o.shutdown);
  Put32(head + kOptRestart, o.restart);
  Put32(head + kOptFlags, o.flags);
  Put32(head + kOptDosMode, o.dosMode);
  Put32(head + kOptLogon, o.logon);
  Put32(head + kOptResolution, o.resolution);
  head[kOptConfirm] = std::uint8_t(std::uint16_t(o.confirm) & 0xFF);
  head[kOptConfirm + 1] = std::uint8_t(std::uint16_t(o.confirm) >> 8);
}

SystemAccessOptions OptionsFromItems(const std::vector<int>& ids, std::int16_t confirm) {
  SystemAccessOptions o;
  o.confirm = confirm;
  for (int id : ids) {
    switch (id) {
      case IDM_SA_SHUTDOWN: o.shutdown = 1; break;
      case IDM_SA_RESTART: o.restart = 1; break;
      case IDM_SA_DOSMODE: o.dosMode = 1; break;
      case IDM_SA_LOGON: o.logon = 1; break;
      case IDM_SA_RESOLUTION: o.resolution = 1; break;
      case IDM_SA_RESTARTWINDOWS: o.flags |= 1; break;
      case IDM_SA_PRINTSCREEN: o.flags |= 2; break;
      case IDM_SA_SCREENSAVER: o.flags |= 4; break;
      default: break;
    }
  }
  return o;
}

std::vector<int> CommandsFromOptions(const SystemAccessOptions& o, bool windowsNT) {
  std::vector<int> ids;
  auto want = [&](bool on, int id) {
    if (!on) return;
    if (windowsNT && (id == IDM_SA_RESTARTWINDOWS || id == IDM_SA_DOSMODE)) return;
    ids.push_back(id);
  };
  want(o.shutdown != 0, IDM_SA_SHUTDOWN);
  want(o.restart != 0, IDM_SA_RESTART);
  want(o.dosMode != 0, IDM_SA_DOSMODE);
  want(o.logon != 0, IDM_SA_LOGON);
  want(o.resolution != 0, IDM_SA_RESOLUTION);
  want(o.flags & 1, IDM_SA_RESTARTWINDOWS);
  want(o.flags & 2, IDM_SA_PRINTSCREEN);
  want(o.flags & 4, IDM_SA_SCREENSAVER);
  return ids;
}

int InsertActionCommand(std::vector<int>& ids, int id, bool windowsNT) {
  if (SystemActionIndexOfCommand(id) < 0) return -1;
  if (windowsNT && (id == IDM_SA_RESTARTWINDOWS || id == IDM_SA_DOSMODE)) return -1;
  for (int present : ids)
    if (present == id) return -1;
  std::size_t at = 0;
  while (at < ids.size() && ids[at] >= id) ++at;
  ids.insert(ids.begin() + std::ptrdiff_t(at), id);
  return int(at);
}

BOOL StartShutdownHelper(HWND owner, int actionIndex) {
  std::string folder = ProgramFolder();
  const char* file = actionIndex == 3 ? "DosStart.PIF" : actionIndex == 2 ? "ZAZORUV.EXE" : "RIROVU.EXE";
  const char* parameters = actionIndex == 0   ? "s"
                           : actionIndex == 1 ? "b"
                           : actionIndex == 2 ? "r"
                           : actionIndex == 4 ? "l"
                                              : "";
  std::string path = folder + "\\" + file;
  // The session is about to end: the layout and the recent list go to disk first. A layout that
  // cannot be written is said before the helper starts, so that nothing is lost unnoticed.
  std::string layout = CurrentLayoutPath();
  if (!SaveToolbarLayout("")) {
    std::string text = layout + LoadResString(IDS_LAYOUT_SAVE_FAILED);
    FrameMessageBox(owner, text.c_str(), LoadResString(IDS_LAYOUT_SAVE_CAPTION), MB_OK | MB_ICONERROR);
  }
  RecentLayouts().Save();
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.hwnd = owner;
  info.lpFile = path.c_str();
  info.lpParameters = parameters;
  info.lpDirectory = folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  info.fMask = SEE_MASK_FLAG_NO_UI;
  return seams::ShellExecuteExA(&info);
}

void RunSystemAction(int actionIndex, int x, int y, HWND bar, bool confirm) {
  static const UINT kQuestions[5] = {IDS_SA_ASK_SHUTDOWN, IDS_SA_ASK_RESTART,
                                     IDS_SA_ASK_RESTARTWINDOWS, IDS_SA_ASK_DOSMODE,
                                     IDS_SA_ASK_LOGON};
  if (actionIndex >= 0 && actionIndex <= 4) {
    if (confirm) {
      std::string question = LoadResString(kQuestions[actionIndex]);
      if (FrameMessageBox(bar, question.c_str(), LoadResString(IDS_SA_CAPTION),
                          MB_YESNO | MB_ICONEXCLAMATION) == IDNO)
        return;
    }
    StartShutdownHelper(bar, actionIndex);
  } else if (actionIndex == 5) {
    ShowScreenResolutionDialog(bar, POINT{x, y});
  } else if (actionIndex == 6) {
    // The toolbar's own floating frames stay out of the picture; what lay under them is drawn
    // again before the screen is read.
    HideFloatingFrames();
    RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PrintScreenCapture(bar);
    RestoreHiddenFrames();
  } else if (actionIndex == 7) {
    PostMessageA(GetDesktopWindow(), WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  }
}

}  // namespace jqbar
