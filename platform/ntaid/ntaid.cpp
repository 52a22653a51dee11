// NTAid.exe: the toolbar's companion on Windows NT. The toolbar hands its start to it; NTAid
// first makes its "JQExitMon" window (so that the toolbar it starts runs instead of handing
// over again), then starts JQBar.exe from its own folder with the same command line and stays
// until that toolbar ends.
#include <windows.h>

#include <string>

namespace {

const char* ArgumentsOf(const char* line) {
  if (*line == '"') {
    ++line;
    while (*line && *line != '"') ++line;
    if (*line) ++line;
  } else {
    while (*line && *line != ' ' && *line != '\t') ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.lpszClassName = "JQExitMon";
  if (!RegisterClassA(&wc)) return 1;
  HWND monitor = CreateWindowExA(0, "JQExitMon", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  if (!monitor) return 1;
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string folder = module;
  folder.erase(folder.find_last_of('\\') + 1);
  std::string program = folder + "JQBar.exe";
  std::string command = "\"" + program + "\"";
  const char* arguments = ArgumentsOf(GetCommandLineA());
  if (*arguments) command += std::string(" ") + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    DestroyWindow(monitor);
    return 1;
  }
  CloseHandle(process.hThread);
  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, INFINITE, QS_ALLINPUT);
    if (r != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  DestroyWindow(monitor);
  return int(code);
}
