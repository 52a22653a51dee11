#include "handover.h"

#include <shellapi.h>
#include "seams.h"

namespace guider {

HWND FindToolbarWindow() { return FindWindowA(kToolbarWindowClass, nullptr); }

HandOver HandOverLayout(const std::string& path, bool toolbarWasRunning, HWND sender,
                        const std::string& programFolder) {
  if (toolbarWasRunning) {
    if (HWND toolbar = FindToolbarWindow()) {
      COPYDATASTRUCT data{kLayoutCopyDataId, static_cast<DWORD>(path.size() + 1),
                          const_cast<char*>(path.c_str())};
      DWORD_PTR result = 0;
      // A toolbar that hangs must not hang the wizard with it.
      if (SendMessageTimeoutA(toolbar, WM_COPYDATA, reinterpret_cast<WPARAM>(sender),
                              reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 10000, &result))
        return HandOver::Sent;
      return HandOver::Failed;
    }
  }
  std::string program = programFolder + "JQBar.exe";
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = 0;
  info.lpFile = program.c_str();
  info.nShow = SW_SHOWNORMAL;
  return seams::ShellExecuteExA(&info) ? HandOver::Started : HandOver::Failed;
}

}  // namespace guider
