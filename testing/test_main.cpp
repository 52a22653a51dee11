// Entry point of every test executable: OLE on the main thread, no critical-error boxes, and
// default handlers that turn any unexpected modal UI or program start into a test failure
// instead of a hung run.
#include <gtest/gtest.h>
#include <ole2.h>
#include "seams.h"

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  OleInitialize(nullptr);
  seams::Handlers h;
  h.messageBox = [](HWND, const char* text, const char* caption, UINT) {
    ADD_FAILURE() << "unexpected message box: [" << (caption ? caption : "") << "] "
                  << (text ? text : "");
    return IDCANCEL;
  };
  h.popupMenu = [](HMENU, UINT, int, int, HWND) -> UINT {
    ADD_FAILURE() << "unexpected popup menu";
    return 0;
  };
  h.shellExecute = [](SHELLEXECUTEINFOA* info) -> BOOL {
    ADD_FAILURE() << "unexpected program start: " << (info->lpFile ? info->lpFile : "");
    return FALSE;
  };
  h.createProcess = [](const char* app, char* cmd, const char*, DWORD, PROCESS_INFORMATION*) -> BOOL {
    ADD_FAILURE() << "unexpected process start: " << (cmd ? cmd : (app ? app : ""));
    return FALSE;
  };
  h.winExec = [](const char* cmd, UINT) -> UINT {
    ADD_FAILURE() << "unexpected WinExec: " << (cmd ? cmd : "");
    return 0;
  };
  h.winHelp = [](HWND, const char*, UINT, ULONG_PTR) -> BOOL { return FALSE; };
  seams::SetHandlers(std::move(h));
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  OleUninitialize();
  return rc;
}
