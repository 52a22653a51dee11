// Start-up of the wizard: what it finds (the running toolbar, an earlier layout), the default
// name, the display names of the node templates, the hidden frame window and the sheet.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "wizard_layout_file.h"
#include "wizard_history.h"
#include "resource.h"
#include "wizard.h"

namespace guider {
namespace {

const char kFrameClass[] = "JQGuiderClass";

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterFrameClass(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = FrameProc;
  wc.cbWndExtra = 4;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_GUIDER));
  wc.hIconSm = static_cast<HICON>(
      LoadImageA(instance, MAKEINTRESOURCEA(IDI_GUIDER), IMAGE_ICON, 16, 16, 0));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kFrameClass;
  if (RegisterClassExA(&wc)) return true;
  if (GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return true;
  WNDCLASSA plain{};
  plain.lpfnWndProc = FrameProc;
  plain.cbWndExtra = 4;
  plain.hInstance = instance;
  plain.hIcon = wc.hIcon;
  plain.hCursor = wc.hCursor;
  plain.hbrBackground = wc.hbrBackground;
  plain.lpszClassName = kFrameClass;
  return RegisterClassA(&plain) != 0;
}

void LoadDisplayNames(HINSTANCE instance, DisplayNames& names) {
  const struct {
    NodeKind kind;
    UINT id;
  } strings[] = {{kNodeToolbar, IDS_GUIDER_NAME_TOOLBAR},
                 {kNodeTaskbarToolbar, IDS_GUIDER_NAME_TASKBAR_TOOLBAR},
                 {kNodeToolGroup, IDS_GUIDER_NAME_TOOL_GROUP},
                 {kNodeStartMenus, IDS_GUIDER_NAME_STARTMENUS},
                 {kNodeClock, IDS_GUIDER_NAME_CLOCK},
                 {kNodeQuickLaunch, IDS_GUIDER_NAME_QUICKLAUNCH},
                 {kNodeSystemAccess, IDS_GUIDER_NAME_SYSACCESS},
                 {kNodeMultiView, IDS_GUIDER_NAME_MULTIVIEW},
                 {kNodeSystemMonitor, IDS_GUIDER_NAME_SYSMONITOR},
                 {kNodePrintManager, IDS_GUIDER_NAME_PRINTMANAGER},
                 {kNodeCommandLine, IDS_GUIDER_NAME_COMMANDLINE}};
  for (const auto& s : strings) {
    char text[64] = {};
    if (LoadStringA(instance, s.id, text, sizeof(text)) > 0) names.Set(s.kind, text);
  }
}

}  // namespace

int RunGuider(HINSTANCE instance, const GuiderOptions& options, WizardState* out) {
  InitCommonControls();
  OleInitialize(nullptr);
  WizardState state;
  state.programFolder = options.programFolder.empty() ? ProgramFolder() : options.programFolder;
  state.toolbarRunning = FindToolbarWindow() != nullptr;
  state.hasPreviousLayout = state.toolbarRunning || HasRecentLayout();
  state.name = PickDefaultLayoutName(state.programFolder);
  if (!RegisterFrameClass(instance)) {
    OleUninitialize();
    return 0;
  }
  LoadDisplayNames(instance, state.displayNames);
  char caption[100] = {};
  LoadStringA(instance, IDS_GUIDER_CAPTION, caption, sizeof(caption));
  HWND frame = CreateWindowExA(0, kFrameClass, caption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                               instance, nullptr);
  if (!frame) {
    OleUninitialize();
    return 0;
  }
  RunWizardSheet(instance, state);
  DestroyWindow(frame);
  // The frame's quit message is not wanted by whoever runs us next.
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  OleUninitialize();
  if (out) *out = state;
  return 1;
}

}  // namespace guider
